# The Windows build: the core and its tests always; the windows wherever a Qt 6 for
# Windows is found (-DCMAKE_PREFIX_PATH=...). The simulated module, the benchmark, the
# fuzz targets and the Linux packaging stay with the Linux build.

# Cross-built programs run under Wine, in a prefix of the build's own.
if(CMAKE_CROSSCOMPILING)
  set(KELVARO_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine_run.sh ${KELVARO_WINEPREFIX})
endif()

# Windows' headers stay lean: the full windows.h brings winspool.h, whose SetPort macro
# would rename TCustomComPort::SetPort in any file that includes both.
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX)

add_subdirectory(params)
add_subdirectory(protocol)
add_subdirectory(serial)

find_package(Qt6 QUIET COMPONENTS Widgets)
if(Qt6_FOUND)
  enable_language(RC)  # the icon and version resource
  add_subdirectory(ui)
  add_subdirectory(app)
else()
  message(STATUS "Windows build without Qt 6 for Windows (give one with -DCMAKE_PREFIX_PATH=...): "
                 "the core libraries and their tests only, no Kelvaro.exe")
endif()

add_subdirectory(tests/win32)
