# Lays out a site from the linked program (cmake -P, run by the build; see cmake/web-site.cmake)
# in SITE_DIR: index.html and the app's manifest from TEMPLATES with the names, sizes and
# colours written in; PROGRAM.js and qtloader.js made smaller by TERSER, PROGRAM.wasm, the
# APP_ICONS and the START_PICTURE (if any) beside them; the service worker, which names the build after its files and lists
# each with its hash; and beside each file that compresses (not the PNG icons, which are
# compressed already) the same compressed by gzip and by brotli, for servers that send a
# file's compressed copy as it is. Then ZIP, the whole site in a folder ZIP_FOLDER.

file(SIZE ${PROGRAM_DIR}/${PROGRAM}.wasm PROGRAM_WASM_BYTES)
execute_process(COMMAND base64 -w 0 ${ICON_PNG} OUTPUT_VARIABLE ICON_PNG_BASE64 COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "|" ";" APP_ICONS "${APP_ICONS}")
# The page names the picture of the starting screen, or none.
set(START_PICTURE_NAME "")
if(START_PICTURE)
    get_filename_component(START_PICTURE_NAME ${START_PICTURE} NAME)
endif()

file(REMOVE_RECURSE ${SITE_DIR})
configure_file(${TEMPLATES}/index.html ${SITE_DIR}/index.html @ONLY)
configure_file(${TEMPLATES}/girolettera.webmanifest ${SITE_DIR}/girolettera.webmanifest @ONLY)
file(COPY ${PROGRAM_DIR}/${PROGRAM}.wasm ${APP_ICONS} ${START_PICTURE} DESTINATION ${SITE_DIR})
# The program's script and Qt's loader, with their local names shortened and what never runs
# left out, their copyright notices kept: a fifth less to download.
foreach(script ${PROGRAM}.js qtloader.js)
    execute_process(COMMAND ${TERSER} ${PROGRAM_DIR}/${script} --compress --mangle
                            --comments "/Copyright|SPDX|@license/" -o ${SITE_DIR}/${script}
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()

# The build is named after what it serves: the files, each with its hash.
# All of them but the pictures, PNG and compressed already, compress.
set(compressible index.html girolettera.webmanifest ${PROGRAM}.js ${PROGRAM}.wasm qtloader.js)
set(served ${compressible})
foreach(icon ${APP_ICONS} ${START_PICTURE})
    get_filename_component(name ${icon} NAME)
    list(APPEND served ${name})
endforeach()
set(FILES "")
set(listing "")
foreach(name ${served})
    file(SHA256 ${SITE_DIR}/${name} hash)
    string(APPEND FILES "\n  '${name}': '${hash}',")
    string(APPEND listing "${name} ${hash}\n")
endforeach()
set(FILES "{${FILES}\n}")
string(SHA256 BUILD "${listing}")
string(SUBSTRING ${BUILD} 0 16 BUILD)
configure_file(${TEMPLATES}/service-worker.js ${SITE_DIR}/service-worker.js @ONLY)

set(compressed "")
foreach(name ${compressible} service-worker.js)
    # -n: no name or time in the header, so that two builds give the same bytes.
    execute_process(COMMAND ${GZIP} -9 -n -k ${name} WORKING_DIRECTORY ${SITE_DIR} COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ${BROTLI} -q 11 -k ${name} WORKING_DIRECTORY ${SITE_DIR} COMMAND_ERROR_IS_FATAL ANY)
    list(APPEND compressed ${name}.gz ${name}.br)
endforeach()

if(NOT DEFINED ZIP)
    return()
endif()
# The archive: the files in a fixed order, each with the time of the last commit.
get_filename_component(zip_work ${ZIP} DIRECTORY)
set(zip_work ${zip_work}/zip)
file(REMOVE_RECURSE ${zip_work})
file(COPY ${SITE_DIR}/ DESTINATION ${zip_work}/${ZIP_FOLDER})
# string(TIMESTAMP) gives the time SOURCE_DATE_EPOCH names where it is set.
set(mtime "1970-01-01 00:00:00 UTC")
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    string(TIMESTAMP mtime "%Y-%m-%d %H:%M:%S UTC" UTC)
endif()
set(members "")
foreach(name ${served} service-worker.js ${compressed})
    list(APPEND members ${ZIP_FOLDER}/${name})
endforeach()
list(SORT members)
file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip --mtime=${mtime} ${members}
                WORKING_DIRECTORY ${zip_work} COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE ${zip_work})
