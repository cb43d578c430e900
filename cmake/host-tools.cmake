# The tools a cross build (Windows, the web) runs where it is built (tools/host), made with the
# host's compiler and Qt as a project of their own; their folder is GIRO_HOST_TOOLS_DIR.
include(ExternalProject)
set(GIRO_HOST_TOOLS_DIR ${PROJECT_BINARY_DIR}/host-tools)
ExternalProject_Add(giro-host-tools
    SOURCE_DIR ${PROJECT_SOURCE_DIR}/tools/host
    BINARY_DIR ${GIRO_HOST_TOOLS_DIR}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${GIRO_HOST_TOOLS_DIR}/giro-iconico ${GIRO_HOST_TOOLS_DIR}/giro-iconpng
                     ${GIRO_HOST_TOOLS_DIR}/giro-screenshot ${GIRO_HOST_TOOLS_DIR}/giro-startscreen)
