# giro_web_site(<program> <site folder> [START_PICTURE] [ZIP <archive> <folder in it>]): lays
# out a site for a program built for the web, after each build of it
# (packaging/web/site.cmake): the project's page, its app manifest and its service worker
# (packaging/web/), the program's .js and .wasm, Qt's loader and the icons, each text file and
# the program also compressed beside itself; with START_PICTURE, the picture of the game's
# starting screen, which the page shows while the program loads; with ZIP, also an archive of
# the whole site in a folder of the name given.

# The icons, drawn from the window icon: the page's (32 pixels, written into the page), the
# app's (192 and 512), and the app's opaque one that a phone cuts to its own shape, which iOS's
# home screen takes too. The colours are the game's: the letter box's green, the desk's grey.
set(GIRO_WEB_THEME_COLOUR "#00c000")
set(GIRO_WEB_DESK_COLOUR "#c8c8c8")
set(GIRO_WEB_ICON ${CMAKE_BINARY_DIR}/girolettera-32.png)
set(GIRO_WEB_APP_ICONS ${CMAKE_BINARY_DIR}/girolettera-192.png ${CMAKE_BINARY_DIR}/girolettera-512.png
                       ${CMAKE_BINARY_DIR}/girolettera-maskable-512.png)
set(icon_xpm ${PROJECT_SOURCE_DIR}/assets/girolettera.xpm)
add_custom_command(OUTPUT ${GIRO_WEB_ICON} ${GIRO_WEB_APP_ICONS}
    COMMAND ${GIRO_HOST_TOOLS_DIR}/giro-iconpng ${icon_xpm} ${GIRO_WEB_ICON} 32
    COMMAND ${GIRO_HOST_TOOLS_DIR}/giro-iconpng ${icon_xpm} ${CMAKE_BINARY_DIR}/girolettera-192.png 192
    COMMAND ${GIRO_HOST_TOOLS_DIR}/giro-iconpng ${icon_xpm} ${CMAKE_BINARY_DIR}/girolettera-512.png 512
    COMMAND ${GIRO_HOST_TOOLS_DIR}/giro-iconpng ${icon_xpm} ${CMAKE_BINARY_DIR}/girolettera-maskable-512.png
            512 ${GIRO_WEB_DESK_COLOUR}
    DEPENDS giro-host-tools ${icon_xpm}
    COMMENT "Writing the page's icons"
    VERBATIM)
add_custom_target(giro-web-icon DEPENDS ${GIRO_WEB_ICON} ${GIRO_WEB_APP_ICONS})

# The picture of the game's starting screen that the page shows in the game's place while the
# program loads, drawn by the game's own windows built for this machine: three pixels for
# each of the window's, as sharp as a phone draws the game.
set(GIRO_WEB_START_PICTURE ${CMAKE_BINARY_DIR}/girolettera-start.png)
add_custom_command(OUTPUT ${GIRO_WEB_START_PICTURE}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=3
            ${GIRO_HOST_TOOLS_DIR}/giro-startscreen ${GIRO_WEB_START_PICTURE}
    DEPENDS giro-host-tools ${GIRO_HOST_TOOLS_DIR}/giro-startscreen
    COMMENT "Drawing the game's starting screen for the page"
    VERBATIM)
add_custom_target(giro-web-start-picture DEPENDS ${GIRO_WEB_START_PICTURE})

# For a browser's profiler (bench/web_trace.py): the programs keep their functions' names, in
# a build of their own; what players download carries none.
option(GIRO_WEB_PROFILING "Keep the functions' names in the web programs" OFF)
if(GIRO_WEB_PROFILING)
    add_link_options(--profiling-funcs)
endif()

find_program(GIRO_BROTLI brotli REQUIRED) # scripts/install-deps.sh --web installs brotli and terser
find_program(GIRO_GZIP gzip REQUIRED)
find_program(GIRO_TERSER terser REQUIRED)

# The windows' design sizes, the game's (401 x 381) and the instructions' (469 x 540), and the
# frames the page draws round them on a computer: a border of 4 pixels and a title bar of 22,
# with a margin of 8 round the windows and between two. The page scales the windows in their
# frames to its size; a phone, whose screen cannot hold the game so framed with its margin,
# shows them without frames, one at a time, scaled to the screen.
set(GIRO_WEB_GAME_WIDTH 401)
set(GIRO_WEB_GAME_HEIGHT 381)
set(GIRO_WEB_INSTRUCTIONS_WIDTH 469)
set(GIRO_WEB_INSTRUCTIONS_HEIGHT 540)
set(GIRO_WEB_FRAME_BORDER 4)
set(GIRO_WEB_TITLE_BAR 22)
set(GIRO_WEB_MARGIN 8)

function(giro_web_site program site_dir)
    cmake_parse_arguments(PARSE_ARGV 2 arg "START_PICTURE" "" "ZIP")
    # A program laid out as a site runs in a browser's page only: its script leaves out what
    # other places (node, workers) would need.
    target_link_options(${program} PRIVATE "SHELL:-s ENVIRONMENT=web")
    set(outputs ${site_dir}/index.html ${site_dir}/${program}.js ${site_dir}/${program}.wasm ${site_dir}/qtloader.js
                ${site_dir}/service-worker.js ${site_dir}/girolettera.webmanifest)
    set(zip_arguments "")
    if(arg_ZIP)
        list(GET arg_ZIP 0 zip)
        list(GET arg_ZIP 1 zip_folder)
        list(APPEND outputs ${zip})
        set(zip_arguments -DZIP=${zip} -DZIP_FOLDER=${zip_folder})
    endif()
    set(templates ${PROJECT_SOURCE_DIR}/packaging/web/index.html
                  ${PROJECT_SOURCE_DIR}/packaging/web/girolettera.webmanifest
                  ${PROJECT_SOURCE_DIR}/packaging/web/service-worker.js)
    set(script ${PROJECT_SOURCE_DIR}/packaging/web/site.cmake)
    set(start_picture "")
    set(start_picture_target "")
    if(arg_START_PICTURE)
        set(start_picture ${GIRO_WEB_START_PICTURE})
        set(start_picture_target giro-web-start-picture)
    endif()
    string(REPLACE ";" "|" app_icons "${GIRO_WEB_APP_ICONS}")
    add_custom_command(OUTPUT ${outputs}
        COMMAND ${CMAKE_COMMAND} -DTEMPLATES=${PROJECT_SOURCE_DIR}/packaging/web
                -DPROGRAM_DIR=$<TARGET_FILE_DIR:${program}>
                -DPROGRAM=${program} -DICON_PNG=${GIRO_WEB_ICON} -DAPP_ICONS=${app_icons}
                -DSTART_PICTURE=${start_picture}
                -DTHEME_COLOUR=${GIRO_WEB_THEME_COLOUR} -DDESK_COLOUR=${GIRO_WEB_DESK_COLOUR}
                -DBROTLI=${GIRO_BROTLI} -DGZIP=${GIRO_GZIP} -DTERSER=${GIRO_TERSER}
                -DGAME_WIDTH=${GIRO_WEB_GAME_WIDTH} -DGAME_HEIGHT=${GIRO_WEB_GAME_HEIGHT}
                -DINSTRUCTIONS_WIDTH=${GIRO_WEB_INSTRUCTIONS_WIDTH}
                -DINSTRUCTIONS_HEIGHT=${GIRO_WEB_INSTRUCTIONS_HEIGHT}
                -DFRAME_BORDER=${GIRO_WEB_FRAME_BORDER} -DTITLE_BAR=${GIRO_WEB_TITLE_BAR}
                -DDESK_MARGIN=${GIRO_WEB_MARGIN}
                -DSITE_DIR=${site_dir} ${zip_arguments} -P ${script}
        DEPENDS ${program} giro-web-icon ${GIRO_WEB_ICON} ${GIRO_WEB_APP_ICONS} ${templates} ${script}
                ${start_picture_target} ${start_picture}
        COMMENT "Laying out the site of ${program}"
        VERBATIM)
    add_custom_target(${program}-site ALL DEPENDS ${outputs})
endfunction()
