# Lays out a site from the linked program (cmake -P, run by the build; see cmake/web-site.cmake):
# index.html from TEMPLATE with the program's names and size, the desk's least size and the
# icon written in, beside PROGRAM.js, PROGRAM.wasm and qtloader.js, in SITE_DIR; then ZIP, the
# same files in a folder ZIP_FOLDER.

file(SIZE ${PROGRAM_DIR}/${PROGRAM}.wasm PROGRAM_WASM_BYTES)
execute_process(COMMAND base64 -w 0 ${ICON_PNG} OUTPUT_VARIABLE ICON_PNG_BASE64 COMMAND_ERROR_IS_FATAL ANY)

file(REMOVE_RECURSE ${SITE_DIR})
configure_file(${TEMPLATE} ${SITE_DIR}/index.html @ONLY)
file(COPY ${PROGRAM_DIR}/${PROGRAM}.js ${PROGRAM_DIR}/${PROGRAM}.wasm ${PROGRAM_DIR}/qtloader.js
     DESTINATION ${SITE_DIR})

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
file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip --mtime=${mtime}
                        ${ZIP_FOLDER}/index.html ${ZIP_FOLDER}/qtloader.js
                        ${ZIP_FOLDER}/${PROGRAM}.js ${ZIP_FOLDER}/${PROGRAM}.wasm
                WORKING_DIRECTORY ${zip_work} COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE ${zip_work})
