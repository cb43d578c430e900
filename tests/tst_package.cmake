# Builds the Debian package from the build folder, unpacks it, and checks what a machine that
# installs it gets: exactly the game's files, dependencies on the libraries it links and on its
# fonts, the changelog of this version, and a game that starts from the unpacked files and
# stays up.
#   cmake -DCPACK_COMMAND=... -DCPACK_CONFIG=... -DWORK_DIR=... -DBUILD_DIR=... -DAPP_ID=...
#         -DVERSION=... -P tst_package.cmake

cmake_minimum_required(VERSION 3.21)

set(failures 0)
macro(fail message)
    message(SEND_ERROR "${message}")
    math(EXPR failures "${failures} + 1")
endmacro()

find_program(DPKG_DEB dpkg-deb)
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(DPKG_PARSECHANGELOG dpkg-parsechangelog)
if(NOT DPKG_DEB OR NOT DPKG_SHLIBDEPS OR NOT DPKG_PARSECHANGELOG)
    message(FATAL_ERROR "dpkg-deb and dpkg-shlibdeps are needed: scripts/install-deps.sh --test installs dpkg-dev")
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
foreach(dependency libqt6widgets6 libqt6gui6 libqt6core6 libstdc\\+\\+6 libc6 fonts-liberation2)
    if(NOT depends MATCHES "(: |, )${dependency}( |,|$)")
        fail("the package does not depend on ${dependency}: ${depends}")
    endif()
endforeach()

# The files, and nothing else: a stray install rule would ship tools or tests.
set(root ${WORK_DIR}/root)
execute_process(COMMAND ${DPKG_DEB} -x ${packages} ${root} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "dpkg-deb cannot unpack ${packages}")
endif()
file(GLOB_RECURSE shipped RELATIVE ${root} ${root}/*)
list(SORT shipped)
set(expected_files
    usr/bin/girolettera
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

# The menu entry starts what the package installs, with an icon it installs.
if(EXISTS ${root}/usr/share/applications/${APP_ID}.desktop)
    file(STRINGS ${root}/usr/share/applications/${APP_ID}.desktop entry)
    list(FILTER entry INCLUDE REGEX "^(Exec|Icon)=")
    if(NOT entry STREQUAL "Icon=${APP_ID};Exec=girolettera"
       AND NOT entry STREQUAL "Exec=girolettera;Icon=${APP_ID}")
        fail("the desktop entry starts or shows something else: ${entry}")
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

set(game ${root}/usr/bin/girolettera)
if(NOT EXISTS ${game})
    message(FATAL_ERROR "${failures} check(s) failed, and the package has no game to start")
endif()

# An installed game must not reach back into the build folder for anything.
find_program(READELF readelf)
if(READELF)
    execute_process(COMMAND ${READELF} --dynamic ${game} OUTPUT_VARIABLE dynamic)
    string(FIND "${dynamic}" "${BUILD_DIR}" at)
    if(NOT at EQUAL -1)
        fail("the packaged game looks for libraries in the build folder:\n${dynamic}")
    endif()
endif()

# Started from the package, on the system's libraries, the game opens its window and waits for
# the player: still running after three seconds means it came up. A game that cannot start
# ends at once with a status and a message.
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{LC_ALL} C.UTF-8)
execute_process(COMMAND ${game}
                TIMEOUT 3
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result MATCHES "timeout")
    fail("the packaged game ended within three seconds (${result}):\n${output}")
endif()

if(failures GREATER 0)
    message(FATAL_ERROR "${failures} check(s) failed")
endif()
message(STATUS "${package_name}: ${depends}")
