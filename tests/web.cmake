# The tests of a web build (included by CMakeLists.txt here). The unit tier runs under node,
# the program's own runtime without a page; the windows are tested where a player meets them,
# in the page in headless Chromium (tests/web_page.py), and played through in each browser
# engine, Chromium, Firefox and WebKit (tests/web_engines.py), label `browser`.
#
# Left out on the web, each for its reason:
# - the window tier's Qt Test programs: they drive the windows on Qt's offscreen platform,
#   which a web build has not; the page's tests play through the browser instead.
# - command_line, the snapshots, the package and metadata tests: a page has no command line,
#   and the site is its own package (packaging/web.cmake).

find_program(NODE NAMES node nodejs REQUIRED)
# A unit test is a program that node runs to its end and whose status it returns.
set(CMAKE_CROSSCOMPILING_EMULATOR ${NODE})
# Qt Core calls into the page through embind, which a program made with qt_add_executable
# links by itself.
add_link_options("SHELL:-s EXIT_RUNTIME=1" -lembind
                 "SHELL:--pre-js ${CMAKE_CURRENT_SOURCE_DIR}/node-navigator.js")

find_program(PYTHON3 python3 REQUIRED)
add_test(NAME web_page
         COMMAND ${PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/web_page.py
                 --site ${PROJECT_BINARY_DIR}/site --screenshots ${PROJECT_BINARY_DIR}/screenshots)
set_tests_properties(web_page PROPERTIES LABELS browser TIMEOUT 900)
# One browser session per engine: ctest tells how long each took.
foreach(engine chromium firefox webkit)
    add_test(NAME web_engine_${engine}
             COMMAND ${PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/web_engines.py --site ${PROJECT_BINARY_DIR}/site
                     --screenshots ${PROJECT_BINARY_DIR}/screenshots/engines ${engine})
    set_tests_properties(web_engine_${engine} PROPERTIES LABELS browser TIMEOUT 600)
endforeach()
