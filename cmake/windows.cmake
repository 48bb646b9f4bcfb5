# What every file of the Windows build needs, and how its tests run: cross-built
# programs run under Wine, in a prefix of the build's own.
if(CMAKE_CROSSCOMPILING)
  set(KELVARO_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine_run.sh ${KELVARO_WINEPREFIX})
endif()

# Windows' headers stay lean: the full windows.h brings winspool.h, whose SetPort macro
# would rename TCustomComPort::SetPort in any file that includes both.
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX)
