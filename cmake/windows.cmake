# What every file of the Windows build needs, and how its tests run: cross-built
# programs run under Wine, in a prefix of the build's own.
if(CMAKE_CROSSCOMPILING)
  set(KELVARO_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine_run.sh ${KELVARO_WINEPREFIX})
endif()

# Under Wine every test program runs beside simulated modules of a Linux build behind
# COM5 (a plain one) and COM6 (one that hangs up after two replies), and the broker that
# makes pseudo-terminals for it (tests/win32/run_with_modules.sh).
set(KELVARO_HARNVIK_SIM "" CACHE FILEPATH "harnvik-sim of a Linux build, the modules of the tests under Wine")
set(KELVARO_LINUX_CLI "" CACHE FILEPATH "kelvaro-cli of a Linux build, what the Windows one is held against")
set(KELVARO_LINUX_WINDOW_TABLES "" CACHE FILEPATH
    "print_window_tables of a Linux build, the captions the setup's end-to-end test finds the windows by")
# Those tests share the prefix's COM ports, so they hold this CTest resource lock: one runs
# at a time, and what runs in a prefix of its own may run beside it.
if(CMAKE_CROSSCOMPILING AND KELVARO_HARNVIK_SIM)
  set(KELVARO_WINE_RUN ${PROJECT_SOURCE_DIR}/tests/win32/run_with_modules.sh ${KELVARO_WINEPREFIX}
                       ${KELVARO_HARNVIK_SIM} COM5 "COM6 --hangup-after 2" --)
  set(KELVARO_WINE_PORTS wine-prefix-com-ports)
else()
  message(STATUS "Windows tests built, not registered (they need -DKELVARO_HARNVIK_SIM=<Linux harnvik-sim> "
                 "and Wine)")
endif()

# Windows' headers stay lean: the full windows.h brings winspool.h, whose SetPort macro
# would rename TCustomComPort::SetPort in any file that includes both.
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX)

# The compiler's runtime DLLs, which the Qt DLLs need beside them (the programs
# themselves link it statically).
set(KELVARO_MINGW_RUNTIME_DLLS "")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll} OUTPUT_VARIABLE path
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(IS_ABSOLUTE "${path}" AND EXISTS "${path}")
    list(APPEND KELVARO_MINGW_RUNTIME_DLLS ${path})
  endif()
endforeach()
