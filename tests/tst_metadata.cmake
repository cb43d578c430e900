# The desktop entry and the AppStream metadata pass the freedesktop and AppStream validators
# (offline), and point at each other and at the icon and binary the install lays out; the
# manual page passes both of the formatters that `man` may use, without a warning.
#   cmake -DDESKTOP_FILE=... -DMETAINFO_FILE=... -DMAN_PAGE=... -DAPP_ID=... -DHOMEPAGE=...
#         -P tst_metadata.cmake

cmake_minimum_required(VERSION 3.25)

set(failures 0)
macro(fail message)
    message(SEND_ERROR "${message}")
    math(EXPR failures "${failures} + 1")
endmacro()

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
find_program(APPSTREAMCLI appstreamcli)
find_program(GROFF groff)
find_program(MANDOC mandoc)
if(NOT DESKTOP_FILE_VALIDATE OR NOT APPSTREAMCLI OR NOT GROFF OR NOT MANDOC)
    message(FATAL_ERROR "desktop-file-validate, appstreamcli, groff and mandoc are needed: scripts/install-deps.sh --test installs them")
endif()

execute_process(COMMAND ${DESKTOP_FILE_VALIDATE} ${DESKTOP_FILE}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output STREQUAL "")
    fail("desktop-file-validate rejects or warns about the desktop entry:\n${output}")
endif()

# Software centres pass over metadata with errors, and Debian's archive checks report warnings
# too: both are failures here. (Informational and pedantic notes are not.)
execute_process(COMMAND ${APPSTREAMCLI} validate --no-net --no-color ${METAINFO_FILE}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR "\n${output}" MATCHES "\n[EW]: ")
    fail("appstreamcli rejects or warns about the metadata:\n${output}")
endif()

# The menu shows the entry under its name with the television icon and starts the binary; the
# desktop knows the game's windows as the entry's by the binary's name, their window class.
# (Read whole: the values hold semicolons, which a CMake list would split on.)
file(READ ${DESKTOP_FILE} entry)
foreach(expected "Name=GIROLETTERA" "Exec=girolettera" "Icon=${APP_ID}" "Type=Application"
                 "Terminal=false" "StartupWMClass=girolettera")
    string(FIND "\n${entry}\n" "\n${expected}\n" at)
    if(at EQUAL -1)
        fail("the desktop entry lacks the line ${expected}")
    endif()
endforeach()
if(NOT "\n${entry}" MATCHES "\nCategories=Game;")
    fail("the desktop entry does not file the game under Game")
endif()
foreach(key "Comment" "Comment\\[it\\]")
    if(NOT "\n${entry}" MATCHES "\n${key}=[^\n]")
        fail("the desktop entry has no ${key}")
    endif()
endforeach()

# Software centres join the metadata to the menu entry by the file name of the desktop entry.
file(READ ${METAINFO_FILE} metainfo)
get_filename_component(desktop_name ${DESKTOP_FILE} NAME)
if(NOT desktop_name STREQUAL "${APP_ID}.desktop")
    fail("the desktop entry is named ${desktop_name}, not after the application id ${APP_ID}")
endif()
foreach(expected "<id>${APP_ID}</id>"
                 "<launchable type=\"desktop-id\">${desktop_name}</launchable>"
                 "<binary>girolettera</binary>"
                 "<metadata_license>CC0-1.0</metadata_license>"
                 "<project_license>MIT</project_license>"
                 "<url type=\"homepage\">${HOMEPAGE}</url>")
    string(FIND "${metainfo}" "${expected}" at)
    if(at EQUAL -1)
        fail("the metadata lacks ${expected}")
    endif()
endforeach()

# Software centres show who made the game: in <developer> for AppStream 1.0, in
# <developer_name> before it.
if(NOT metainfo MATCHES "<developer id=\"[^\"]+\">[ \n]*<name>[^<]+</name>|<developer_name>[^<]+</developer_name>")
    fail("the metadata names no developer")
endif()

# groff is what man-db (Debian's `man`) formats with, mandoc what several other systems use;
# each finds faults the other lets through.
execute_process(COMMAND ${GROFF} -ww -z -b -man -Tutf8 ${MAN_PAGE}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output STREQUAL "")
    fail("groff warns about the manual page:\n${output}")
endif()
execute_process(COMMAND ${MANDOC} -T lint -W style ${MAN_PAGE}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output STREQUAL "")
    fail("mandoc finds fault with the manual page:\n${output}")
endif()

if(failures GREATER 0)
    message(FATAL_ERROR "${failures} check(s) failed")
endif()
message(STATUS "desktop entry, metadata and manual page valid")
