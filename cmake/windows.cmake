# What every file of the Windows build needs, and how its tests run: cross-built
# programs run under Wine, in a prefix of the build's own.
if(CMAKE_CROSSCOMPILING)
  set(KELVARO_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine_run.sh ${KELVARO_WINEPREFIX})
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
