# The web build's site (included by CMakeLists.txt here on web builds).
#
# `site/` in the build folder is the whole game for a web server, four files: index.html, the
# program's .js and .wasm, and Qt's loader (cmake/web-site.cmake). Any static server serves it
# as it is. girolettera-<version>-web.zip beside it holds the same four files in a folder of
# that name, each with the time of the last commit (SOURCE_DATE_EPOCH), so that two builds of
# a commit give the same archive.

giro_web_site(girolettera ${PROJECT_BINARY_DIR}/site START_PICTURE
    ZIP ${PROJECT_BINARY_DIR}/girolettera-${PROJECT_VERSION}-web.zip girolettera-${PROJECT_VERSION}-web)
