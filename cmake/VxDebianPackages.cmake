# Debian packages with CPack: `vxupdater` (both programs and the libraries) and
# `vxupdater-dev` (headers, the CMake package, the library links). Run through
# `./vx package`, which configures a system-wide install (/usr, no RPATH).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vxupdater)
set(CPACK_PACKAGE_VENDOR "Veltrax Corporation")
set(CPACK_PACKAGE_CONTACT "Veltrax Corporation <support@veltrax.example>")
# No package-wide summary: CPack would put it before each component's own
# description, whose first line is that package's synopsis.
# The packages carry the version the programs report.
file(STRINGS ${PROJECT_SOURCE_DIR}/Updater/Engine/UpdaterIdentity.h VX_VERSION_LINE
  REGEX "APPLICATION_VERSION\\[\\] = \"[0-9.]+\"")
string(REGEX MATCH "[0-9][0-9.]*" VX_PROGRAM_VERSION "${VX_VERSION_LINE}")
if(NOT VX_PROGRAM_VERSION)
  message(FATAL_ERROR "The programs' version was not found in UpdaterIdentity.h")
endif()
set(CPACK_PACKAGE_VERSION ${VX_PROGRAM_VERSION})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Runtime Development)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.veltrax.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The shlibs file lets other packages depend on the library; dpkg's ldconfig
# trigger refreshes the library cache (CPack adds ldconfig calls besides).
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/Packaging/triggers)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME vxupdater)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION misc)
# The update history's SQLite driver is a Qt plug-in, which no library links.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "libqt5sql5-sqlite")
# The first line is the synopsis.
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
  "firmware updater for Veltrax machine-vision cameras
VxUpdater connects to an attached Veltrax camera, checks a firmware bundle,
picks the package that fits the camera and programs its loads into flash,
RAM or programmable logic, verifying each. The package holds the window
program VxUpdater, the command-line updater vxupdate for production lines
and the camera interface library they share.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME vxupdater-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS Runtime)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
  "camera interface library of VxUpdater - development files
Headers, the CMake package (find_package(VxAppsLibrary)) and the library
links for programs that use the Veltrax camera interface library:
cameras, properties, functions, the firmware programmer and imaging.")

include(CPack)
