# Builds the Debian package from the build folder, has lintian check it, unpacks it, and checks
# what a machine that installs it gets: exactly the game's files, dependencies on the libraries
# it links, on its fonts and on Qt's Italian texts, the changelog of this version, a program
# with no library search path of its own, and a game that its menu entry starts from the
# unpacked files and that stays up.
#   cmake -DCPACK_COMMAND=... -DCPACK_CONFIG=... -DWORK_DIR=... -DAPP_ID=... -DVERSION=...
#         -P tst_package.cmake

cmake_minimum_required(VERSION 3.25)

set(failures 0)
macro(fail message)
    message(SEND_ERROR "${message}")
    math(EXPR failures "${failures} + 1")
endmacro()

find_program(DPKG_DEB dpkg-deb)
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(DPKG_PARSECHANGELOG dpkg-parsechangelog)
find_program(LINTIAN lintian)
find_program(DPKG_QUERY dpkg-query)
find_program(DPKG_ARCHITECTURE dpkg-architecture)
find_program(READELF readelf)
find_program(TIMEOUT timeout)
if(NOT DPKG_DEB OR NOT DPKG_SHLIBDEPS OR NOT DPKG_PARSECHANGELOG OR NOT DPKG_QUERY
   OR NOT DPKG_ARCHITECTURE OR NOT LINTIAN OR NOT READELF
   OR NOT TIMEOUT)
    message(FATAL_ERROR "dpkg-dev, lintian and readelf are needed: scripts/install-deps.sh --test installs them")
endif()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

execute_process(COMMAND ${CPACK_COMMAND} -G DEB --config ${CPACK_CONFIG} -B ${WORK_DIR}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cpack failed:\n${output}")
endif()

file(GLOB packages ${WORK_DIR}/*.deb)
list(LENGTH packages count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "cpack made ${count} packages instead of one: ${packages}")
endif()
execute_process(COMMAND ${DPKG_DEB} --field ${packages} Architecture
                OUTPUT_VARIABLE architecture OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(package_name ${packages} NAME)
if(NOT package_name STREQUAL "girolettera_${VERSION}_${architecture}.deb")
    fail("the package is named ${package_name}, not girolettera_${VERSION}_${architecture}.deb")
endif()

# The control file.
execute_process(COMMAND ${DPKG_DEB} --field ${packages} Package Version Depends Section
                RESULT_VARIABLE result OUTPUT_VARIABLE control ERROR_VARIABLE control_errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "dpkg-deb cannot read the control file:\n${control_errors}")
endif()
foreach(expected "Package: girolettera" "Version: ${VERSION}" "Section: games")
    string(FIND "${control}" "${expected}" at)
    if(at EQUAL -1)
        fail("the control file lacks \"${expected}\":\n${control}")
    endif()
endforeach()
string(REGEX MATCH "Depends: [^\n]*" depends "${control}")
# The packages named, as a list: versions and the bars between alternatives left out.
string(REGEX REPLACE "^Depends: " "" depended_on "${depends}")
string(REGEX REPLACE " *\\([^)]*\\)" "" depended_on "${depended_on}")
string(REGEX REPLACE " *[,|] *" ";" depended_on "${depended_on}")
foreach(dependency fonts-liberation2 qt6-translations-l10n)
    if(NOT dependency IN_LIST depended_on)
        fail("the package does not depend on ${dependency}: ${depends}")
    endif()
endforeach()

# Debian's own judgement of the package: any error or warning fails. (Its informational and
# pedantic notes are left to whoever reads `lintian -I --pedantic`.)
execute_process(COMMAND ${LINTIAN} ${packages}
                RESULT_VARIABLE result OUTPUT_VARIABLE lintian_output ERROR_VARIABLE lintian_errors)
string(REGEX MATCHALL "(^|\n)[EW]: [^\n]*" complaints "${lintian_output}")
if(complaints)
    fail("lintian rejects the package:\n${lintian_output}")
elseif(NOT result EQUAL 0)
    fail("lintian could not check the package (${result}):\n${lintian_output}${lintian_errors}")
endif()

# The files, and nothing else: a stray install rule would ship tools or tests.
set(root ${WORK_DIR}/root)
execute_process(COMMAND ${DPKG_DEB} -x ${packages} ${root} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "dpkg-deb cannot unpack ${packages}")
endif()
file(GLOB_RECURSE shipped RELATIVE ${root} ${root}/*)
list(SORT shipped)
set(expected_files
    usr/games/girolettera
    usr/share/doc/girolettera/changelog.gz
    usr/share/doc/girolettera/copyright
    usr/share/man/man6/girolettera.6.gz
    usr/share/applications/${APP_ID}.desktop
    usr/share/icons/hicolor/32x32/apps/${APP_ID}.png
    usr/share/icons/hicolor/scalable/apps/${APP_ID}.svg
    usr/share/metainfo/${APP_ID}.metainfo.xml)
list(SORT expected_files)
if(NOT shipped STREQUAL expected_files)
    string(REPLACE ";" "\n  " shipped_list "${shipped}")
    fail("the package holds\n  ${shipped_list}")
endif()

# The menu entry shows an icon the package installs.
set(entry_file ${root}/usr/share/applications/${APP_ID}.desktop)
if(EXISTS ${entry_file})
    file(STRINGS ${entry_file} icon REGEX "^Icon=")
    if(NOT icon STREQUAL "Icon=${APP_ID}")
        fail("the desktop entry shows another icon: ${icon}")
    endif()
endif()

# The PNG is a real 32x32 picture: its header says PNG, its IHDR chunk gives the size.
set(png ${root}/usr/share/icons/hicolor/32x32/apps/${APP_ID}.png)
if(EXISTS ${png})
    file(READ ${png} header LIMIT 24 HEX)
    if(NOT header STREQUAL "89504e470d0a1a0a0000000d494844520000002000000020")
        string(SUBSTRING "${header}" 0 16 signature)
        string(SUBSTRING "${header}" 32 16 size)
        fail("the 32x32 icon is not a 32x32 PNG (signature ${signature}, width and height ${size})")
    endif()
endif()
set(svg ${root}/usr/share/icons/hicolor/scalable/apps/${APP_ID}.svg)
if(EXISTS ${svg})
    file(READ ${svg} drawing)
    if(NOT drawing MATCHES "<svg[^>]*viewBox=")
        fail("the scalable icon is no scalable SVG drawing")
    endif()
endif()

# The changelog is the one of this version, in the form dpkg reads.
set(changelog_gz ${root}/usr/share/doc/girolettera/changelog.gz)
if(EXISTS ${changelog_gz})
    execute_process(COMMAND gzip -dc ${changelog_gz} OUTPUT_FILE ${WORK_DIR}/changelog)
    execute_process(COMMAND ${DPKG_PARSECHANGELOG} -l ${WORK_DIR}/changelog -S Version
                    RESULT_VARIABLE result OUTPUT_VARIABLE changelog_version ERROR_VARIABLE changelog_version
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT result EQUAL 0 OR NOT changelog_version STREQUAL VERSION)
        fail("the changelog's newest entry is not version ${VERSION}: ${changelog_version}")
    endif()
endif()

# The menu starts the entry's Exec command by name, from the PATH, which on Debian is
# /usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games for every user: the program the
# package installs must be found there.
if(NOT EXISTS ${entry_file})
    message(FATAL_ERROR "${failures} check(s) failed, and the package has no menu entry")
endif()
file(STRINGS ${entry_file} exec REGEX "^Exec=")
string(REGEX REPLACE "^Exec=([^ ]*).*" "\\1" command "${exec}")
find_program(game ${command} NO_CACHE NO_DEFAULT_PATH
             PATHS ${root}/usr/local/bin ${root}/usr/bin ${root}/bin ${root}/usr/local/games ${root}/usr/games)
if(NOT game)
    message(FATAL_ERROR "${failures} check(s) failed, and the menu entry's ${exec} finds no program in the package")
endif()

# An installed game takes its libraries from the system alone: no RUNPATH or RPATH, which
# could reach back into a build folder or let a stray library beside the program be loaded.
execute_process(COMMAND ${READELF} --dynamic ${game} OUTPUT_VARIABLE dynamic)
if(dynamic MATCHES "\\((RUNPATH|RPATH)\\)[^\n]*")
    fail("the packaged game has a library search path of its own: ${CMAKE_MATCH_0}")
endif()

# Every library the program links comes from a package it depends on. The packages are the
# ones that hold those libraries on this very system (Debian renames them now and then, as
# libqt6core6 became libqt6core6t64), so the check holds on every release.
string(REGEX MATCHALL "\\(NEEDED\\)[^[]*\\[([^]\n]+)\\]" needed_lines "${dynamic}")
set(needed "")
foreach(line IN LISTS needed_lines)
    string(REGEX REPLACE ".*\\[(.*)\\]" "\\1" library "${line}")
    list(APPEND needed ${library})
endforeach()
foreach(library libQt6Core.so.6 libQt6Gui.so.6 libQt6Widgets.so.6)
    if(NOT library IN_LIST needed)
        fail("the packaged game does not link ${library}: it links ${needed}")
    endif()
endforeach()
execute_process(COMMAND ${DPKG_ARCHITECTURE} --query DEB_HOST_MULTIARCH
                OUTPUT_VARIABLE multiarch OUTPUT_STRIP_TRAILING_WHITESPACE)
foreach(library IN LISTS needed)
    execute_process(COMMAND ${DPKG_QUERY} --search "*/${multiarch}/${library}"
                    RESULT_VARIABLE result OUTPUT_VARIABLE owners ERROR_QUIET)
    string(REGEX MATCH "^[^:, ]+" owner "${owners}")
    if(NOT result EQUAL 0 OR owner STREQUAL "")
        fail("no installed package holds ${library}, which the game links")
    elseif(NOT owner IN_LIST depended_on)
        fail("the game links ${library}, from ${owner}, but the package does not depend on ${owner}: ${depends}")
    endif()
endforeach()

# Started from the package, as its menu entry starts it, on the system's libraries, the game
# opens its window and waits for the player: still running after three seconds means it came
# up. A game that cannot start ends at once with a status and a message.
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{LC_ALL} C.UTF-8)
# coreutils' timeout ends it (status 124), so that it never outlives the test.
execute_process(COMMAND ${TIMEOUT} --kill-after=2 3 ${game}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 124)
    fail("the packaged game ended within three seconds (${result}):\n${output}")
endif()

if(failures GREATER 0)
    message(FATAL_ERROR "${failures} check(s) failed")
endif()
message(STATUS "${package_name}: ${depends}")
