# The web build's site (included by CMakeLists.txt here on web builds).
#
# `site/` in the build folder is the whole game for a web server, four files: index.html (the
# project's own page, packaging/web/index.html, with the program's names and size and the
# game's icon written in), the program's .js and .wasm, and Qt's loader. Any static server
# serves it as it is. girolettera-<version>-web.zip beside it holds the same four files in a
# folder of that name, with the time of the last commit (SOURCE_DATE_EPOCH) on each, so that
# two builds of a commit give the same archive.

set(site_dir ${PROJECT_BINARY_DIR}/site)
set(zip_name girolettera-${PROJECT_VERSION}-web)
set(icon_png ${CMAKE_CURRENT_BINARY_DIR}/girolettera-32.png)
set(program_dir $<TARGET_FILE_DIR:girolettera>)

add_custom_command(OUTPUT ${icon_png}
    COMMAND ${GIRO_HOST_TOOLS_DIR}/giro-iconpng ${PROJECT_SOURCE_DIR}/assets/girolettera.xpm ${icon_png} 32
    DEPENDS giro-host-tools ${PROJECT_SOURCE_DIR}/assets/girolettera.xpm
    COMMENT "Writing the page's icon"
    VERBATIM)

# The desk the windows lie on is never narrower or lower than the widest and the highest of
# them in the page's frames (a border of 4 pixels and a title bar of 22): the instructions,
# 469 x 540, with a margin of 8 around.
math(EXPR desk_width "469 + 2 * 4 + 2 * 8")
math(EXPR desk_height "540 + 22 + 2 * 4 + 2 * 8")

add_custom_command(
    OUTPUT ${site_dir}/index.html ${site_dir}/girolettera.js ${site_dir}/girolettera.wasm
           ${site_dir}/qtloader.js ${PROJECT_BINARY_DIR}/${zip_name}.zip
    COMMAND ${CMAKE_COMMAND} -DTEMPLATE=${CMAKE_CURRENT_SOURCE_DIR}/web/index.html
            -DPROGRAM_DIR=${program_dir} -DPROGRAM=girolettera -DICON_PNG=${icon_png}
            -DDESK_MIN_WIDTH=${desk_width} -DDESK_MIN_HEIGHT=${desk_height}
            -DSITE_DIR=${site_dir} -DZIP=${PROJECT_BINARY_DIR}/${zip_name}.zip -DZIP_FOLDER=${zip_name}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/web/site.cmake
    DEPENDS girolettera ${icon_png} ${CMAKE_CURRENT_SOURCE_DIR}/web/index.html
            ${CMAKE_CURRENT_SOURCE_DIR}/web/site.cmake
    COMMENT "Laying out the site and its archive"
    VERBATIM)
add_custom_target(giro-site ALL DEPENDS ${site_dir}/index.html ${PROJECT_BINARY_DIR}/${zip_name}.zip)
