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
add_subdirectory(cli)

# `make windows`: kelvaro-cli.exe in build-win/kelvaro-cli-<version>-win64.zip. It is
# linked statically (cmake/mingw-w64-x86_64.cmake): nothing beyond Windows' own DLLs.
# The program in the zip goes without its debugging information.
set(KELVARO_CLI_ZIP ${CMAKE_BINARY_DIR}/kelvaro-cli-${PROJECT_VERSION}-win64.zip)
set(zip_stage ${CMAKE_BINARY_DIR}/zip-stage)
add_custom_command(OUTPUT ${KELVARO_CLI_ZIP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${zip_stage}
  COMMAND ${CMAKE_STRIP} -o ${zip_stage}/kelvaro-cli.exe $<TARGET_FILE:kelvaro-cli>
  COMMAND ${CMAKE_COMMAND} -E chdir ${zip_stage} ${CMAKE_COMMAND} -E tar cf ${KELVARO_CLI_ZIP} --format=zip kelvaro-cli.exe
  DEPENDS kelvaro-cli VERBATIM)
add_custom_target(kelvaro_cli_zip DEPENDS ${KELVARO_CLI_ZIP})

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
