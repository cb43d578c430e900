# giro_web_site(<program> <site folder> [ZIP <archive> <folder in it>]): lays out a site for a
# program built for the web, after each build of it: index.html (the project's page,
# packaging/web/index.html, with the program's names and size, the desk's least size and the
# game's icon written in), the program's .js and .wasm, and Qt's loader; with ZIP, also an
# archive of the four files in a folder of the name given.

set(GIRO_WEB_ICON ${CMAKE_BINARY_DIR}/girolettera-32.png)
add_custom_command(OUTPUT ${GIRO_WEB_ICON}
    COMMAND ${GIRO_HOST_TOOLS_DIR}/giro-iconpng ${PROJECT_SOURCE_DIR}/assets/girolettera.xpm ${GIRO_WEB_ICON} 32
    DEPENDS giro-host-tools ${PROJECT_SOURCE_DIR}/assets/girolettera.xpm
    COMMENT "Writing the page's icon"
    VERBATIM)
add_custom_target(giro-web-icon DEPENDS ${GIRO_WEB_ICON})

# The desk the windows lie on is never narrower or lower than the widest and the highest of
# them in the page's frames (a border of 4 pixels and a title bar of 22): the instructions,
# 469 x 540, with a margin of 8 around.
math(EXPR GIRO_WEB_DESK_WIDTH "469 + 2 * 4 + 2 * 8")
math(EXPR GIRO_WEB_DESK_HEIGHT "540 + 22 + 2 * 4 + 2 * 8")

function(giro_web_site program site_dir)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "ZIP")
    set(outputs ${site_dir}/index.html ${site_dir}/${program}.js ${site_dir}/${program}.wasm ${site_dir}/qtloader.js)
    set(zip_arguments "")
    if(arg_ZIP)
        list(GET arg_ZIP 0 zip)
        list(GET arg_ZIP 1 zip_folder)
        list(APPEND outputs ${zip})
        set(zip_arguments -DZIP=${zip} -DZIP_FOLDER=${zip_folder})
    endif()
    set(template ${PROJECT_SOURCE_DIR}/packaging/web/index.html)
    set(script ${PROJECT_SOURCE_DIR}/packaging/web/site.cmake)
    add_custom_command(OUTPUT ${outputs}
        COMMAND ${CMAKE_COMMAND} -DTEMPLATE=${template} -DPROGRAM_DIR=$<TARGET_FILE_DIR:${program}>
                -DPROGRAM=${program} -DICON_PNG=${GIRO_WEB_ICON}
                -DDESK_MIN_WIDTH=${GIRO_WEB_DESK_WIDTH} -DDESK_MIN_HEIGHT=${GIRO_WEB_DESK_HEIGHT}
                -DSITE_DIR=${site_dir} ${zip_arguments} -P ${script}
        DEPENDS ${program} giro-web-icon ${GIRO_WEB_ICON} ${template} ${script}
        COMMENT "Laying out the site of ${program}"
        VERBATIM)
    add_custom_target(${program}-site ALL DEPENDS ${outputs})
endfunction()
