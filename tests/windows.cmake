# The tests of a Windows build, run on the building machine under Wine (included by
# CMakeLists.txt here). tests/wine.sh keeps one Wine prefix and a private X server in the build
# folder for the whole run: the fixture `wine` starts and ends them.
#
# The window tier runs on Qt's `windows` platform there: under Wine the `offscreen` platform
# never reports a window exposed. It is slow under Wine (minutes a program), hence the longer
# time limit, and it is on by default for `ctest --preset windows -L window`; CI runs only
# `-L 'unit|wine'`. The tests' QT_* settings reach the programs through tests/wine.sh, which
# hands them to Wine as WINEQT_*: Wine passes no Unix QT_* variable to a Windows program.
# `-DGIRO_WINDOWS_WINDOW_TIER=OFF` leaves the tier out.
#
# Left out on Windows, each for its reason:
# - command_line: it starts the game with no display to reach, which a Windows session always
#   has; --version under Wine is checked by windows_zip, from the unzipped folder.
# - snapshot_scale* (tools/): pictures of the windows for a person to look at, made on Linux;
#   windows_zip leaves pictures of the game under Wine in screenshots/.
# - tst_metadata, tst_package (packaging/): the desktop entry, metadata, manual page and Debian
#   package are Linux's; the zip and the installer have windows_zip and windows_installer.
# - tst_accessibility's row "a whole clue, by line": the question box wraps the clue by the
#   font as Windows draws it, not where Linux does (the reason is beside it in the test).

set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/tests/wine.sh run ${PROJECT_BINARY_DIR} ${GIRO_QT_WINDOWS}/bin)
# QT_FORCE_STDERR_LOGGING: a Windows Qt program with no console sends Qt Test's log and its
# messages to the debugger rather than to its output, and under Wine none has a console; a
# test program that reads another's log through a pipe (tst_hidpi's) would read nothing.
set(giro_test_environment "QT_QPA_PLATFORM=windows;LC_ALL=C.UTF-8;QT_FORCE_STDERR_LOGGING=1")
set(giro_test_timeout 3600)
option(GIRO_WINDOWS_WINDOW_TIER "Run the window tier under Wine (see tests/windows.cmake)" ON)
if(GIRO_WINDOWS_WINDOW_TIER)
    set(giro_windows_window_tier_disabled OFF)
else()
    set(giro_windows_window_tier_disabled ON)
endif()

add_test(NAME wine_start COMMAND ${PROJECT_SOURCE_DIR}/tests/wine.sh start ${PROJECT_BINARY_DIR})
add_test(NAME wine_stop COMMAND ${PROJECT_SOURCE_DIR}/tests/wine.sh stop ${PROJECT_BINARY_DIR})
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)

# The two things a player downloads, made afresh from this build, then tried as a player would.
set(package_dir ${PROJECT_BINARY_DIR}/package-test)
add_test(NAME windows_packages
         COMMAND ${CMAKE_CPACK_COMMAND} --config ${PROJECT_BINARY_DIR}/CPackConfig.cmake -B ${package_dir})
set_tests_properties(windows_packages PROPERTIES FIXTURES_SETUP packages LABELS wine TIMEOUT 600)
add_test(NAME windows_zip
         COMMAND ${PROJECT_SOURCE_DIR}/tests/windows_zip.sh ${PROJECT_BINARY_DIR}
                 ${package_dir}/girolettera-${PROJECT_VERSION}-win64.zip
                 ${GIRO_HOST_TOOLS_DIR}/giro-screenshot ${PROJECT_BINARY_DIR}/screenshots ${PROJECT_VERSION})
add_test(NAME windows_installer
         COMMAND ${PROJECT_SOURCE_DIR}/tests/windows_installer.sh ${PROJECT_BINARY_DIR}
                 ${package_dir}/girolettera-${PROJECT_VERSION}-win64-setup.exe)
set_tests_properties(windows_zip windows_installer PROPERTIES
    LABELS wine FIXTURES_REQUIRED "wine;packages" TIMEOUT 300 RUN_SERIAL ON)
