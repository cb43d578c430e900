# The Windows layout and packages (included by CMakeLists.txt here on Windows builds).
#
# `cmake --install` lays out one folder that runs as it is: the program, the Qt libraries and the
# two plugins it loads (the Windows platform and JPEG, for the photograph), the MinGW runtime,
# Qt's Italian translation in translations/, and the licences of everything in the folder.
# `cpack` in the build folder wraps it twice: girolettera-<version>-win64.zip, to unzip
# anywhere, and girolettera-<version>-win64-setup.exe, an NSIS installer.

# scripts/build-qt-windows.sh notes the source in the prefix; the ready Qt that CI unpacks was
# made by the same recipe from Debian 12's qt6-base 6.4.2+dfsg-10.
set(qt_source "qt6-base 6.4.2+dfsg-10")
if(EXISTS ${GIRO_QT_WINDOWS}/qt-source.txt)
    file(STRINGS ${GIRO_QT_WINDOWS}/qt-source.txt qt_source LIMIT_COUNT 1)
endif()
set(GIRO_QT_WINDOWS_SOURCE "${qt_source}" CACHE STRING
    "Debian source package and version the Qt for Windows in GIRO_QT_WINDOWS was built from")
set(GIRO_QT_TRANSLATIONS /usr/share/qt6/translations CACHE PATH
    "Where qtbase_it.qm lies on the building machine (Debian: qt6-translations-l10n)")

# What a copy of the game needs and may be given away with, and the texts that allow it.
set(runtime "")
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(path "${path}" REALPATH)
    list(APPEND runtime ${path})
endforeach()
# Qt's copyright as Debian ships it with its Core library (libqt6core6; libqt6core6t64 on later
# releases): whichever this system has.
file(GLOB qt_copyright /usr/share/doc/libqt6core6*/copyright)
list(APPEND qt_copyright /usr/share/doc/libqt6core6/copyright) # named when missing, below
list(GET qt_copyright 0 qt_copyright)
set(licence_files
    /usr/share/common-licenses/LGPL-3 /usr/share/common-licenses/GPL-3
    ${qt_copyright}
    /usr/share/doc/gcc-mingw-w64-base/copyright
    /usr/share/doc/mingw-w64-common/copyright)
foreach(file ${runtime} ${GIRO_QT_TRANSLATIONS}/qtbase_it.qm ${licence_files})
    if(NOT EXISTS ${file})
        message(FATAL_ERROR "${file} is missing: scripts/install-deps.sh --windows installs it")
    endif()
endforeach()

# Every library is stripped of its symbols on the way into the folder: the MinGW runtime as
# Debian ships it carries them (libstdc++ alone is 23 MB with them, 2 MB without).
set(deploy_dir ${CMAKE_CURRENT_BINARY_DIR}/deploy)
set(deployed "")
foreach(library IN ITEMS $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
                         ${runtime}
                         platforms/$<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>
                         imageformats/$<TARGET_FILE:Qt6::QJpegPlugin>)
    if(library MATCHES "^(platforms|imageformats)/(.*)$")
        set(folder ${CMAKE_MATCH_1}/)
        set(library ${CMAKE_MATCH_2})
    else()
        set(folder "")
    endif()
    string(REGEX REPLACE "^.*[/:]([^/:>]+)>?$" "\\1" name "${library}")
    if(library MATCHES "TARGET_FILE:Qt6::(.*)>")
        set(name ${CMAKE_MATCH_1})
        string(REPLACE "QWindowsIntegrationPlugin" "qwindows" name ${name})
        string(REPLACE "QJpegPlugin" "qjpeg" name ${name})
        if(NOT name MATCHES "^q")
            set(name Qt6${name})
        endif()
        set(name ${name}.dll)
    endif()
    set(output ${deploy_dir}/${folder}${name})
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${deploy_dir}/${folder}
        COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${output} ${library}
        DEPENDS ${library}
        COMMENT "Stripping ${folder}${name}"
        VERBATIM)
    list(APPEND deployed ${output})
    install(FILES ${output} DESTINATION ./${folder})
endforeach()
# Qt's Italian translation beside the programs in the build folder too, where the game and the
# window tests look for it (translations/ beside the program), as in the installed folder.
set(build_translation ${PROJECT_BINARY_DIR}/translations/qtbase_it.qm)
add_custom_command(OUTPUT ${build_translation}
    COMMAND ${CMAKE_COMMAND} -E copy ${GIRO_QT_TRANSLATIONS}/qtbase_it.qm ${build_translation}
    DEPENDS ${GIRO_QT_TRANSLATIONS}/qtbase_it.qm
    COMMENT "Copying translations/qtbase_it.qm"
    VERBATIM)
list(APPEND deployed ${build_translation})
add_custom_target(giro-deploy ALL DEPENDS ${deployed})

install(TARGETS girolettera RUNTIME DESTINATION .)
install(FILES ${GIRO_QT_TRANSLATIONS}/qtbase_it.qm DESTINATION translations)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES ${PROJECT_SOURCE_DIR}/CHANGELOG.md DESTINATION . RENAME CHANGELOG.txt)
configure_file(windows-third-party.txt.in ${CMAKE_CURRENT_BINARY_DIR}/THIRD-PARTY.txt @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/THIRD-PARTY.txt DESTINATION .)
install(FILES /usr/share/common-licenses/LGPL-3 DESTINATION licenses RENAME LGPL-3.txt)
install(FILES /usr/share/common-licenses/GPL-3 DESTINATION licenses RENAME GPL-3.txt)
install(FILES ${qt_copyright} DESTINATION licenses RENAME qt6-base.txt)
install(FILES /usr/share/doc/gcc-mingw-w64-base/copyright DESTINATION licenses RENAME gcc-runtime.txt)
install(FILES /usr/share/doc/mingw-w64-common/copyright DESTINATION licenses RENAME mingw-w64-runtime.txt)

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME girolettera)
set(CPACK_PACKAGE_VENDOR "${GIRO_CREDIT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Italian word quiz, one letter at a time")
set(CPACK_PACKAGE_FILE_NAME girolettera-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_INSTALL_DIRECTORY GIROLETTERA)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY GIROLETTERA)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# The installer's own name ends in -setup (windows-cpack.cmake, read as each package is made).
configure_file(windows-cpack.cmake ${CMAKE_CURRENT_BINARY_DIR}/windows-cpack.cmake COPYONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/windows-cpack.cmake)

# The installer: Program Files, a Start-menu entry with the game's icon, an entry in Apps &
# features with the uninstaller. `/S` runs either silently.
set(CPACK_NSIS_PACKAGE_NAME GIROLETTERA)
set(CPACK_NSIS_DISPLAY_NAME GIROLETTERA)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_PACKAGE_EXECUTABLES girolettera GIROLETTERA)
set(CPACK_NSIS_INSTALLED_ICON_NAME girolettera.exe)
set(CPACK_NSIS_MUI_ICON ${GIRO_ICON_FILE})
set(CPACK_NSIS_MUI_UNIICON ${GIRO_ICON_FILE})
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
set(CPACK_NSIS_EXECUTABLE ${CMAKE_CURRENT_SOURCE_DIR}/makensis-amd64.sh)
# The uninstaller takes away the key under the maker's name too, once nothing else is in it; in
# the uninstaller's script this list comes after the installer's own key is deleted.
set(CPACK_NSIS_DELETE_ICONS_EXTRA "DeleteRegKey /ifempty SHCTX \"Software\\${GIRO_CREDIT}\"")
set(CPACK_VERBATIM_VARIABLES ON)
include(CPack)
