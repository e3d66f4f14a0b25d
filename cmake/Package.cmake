# `cpack -G DEB` in the build folder makes tollivance_<version>_<arch>.deb: everything
# `cmake --install` lays out except the sandbox build, installed under /usr.
set(CPACK_PACKAGE_NAME tollivance)
set(CPACK_PACKAGE_VENDOR "Quorvanta")
set(CPACK_PACKAGE_CONTACT "Quorvanta Tollivance maintainers <tollivance@quorvanta.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Quorvanta Tollivance remote desktop and printing client")
set(CPACK_PACKAGE_DESCRIPTION
    "Connects to a Quorvanta Tollivance remote desktop and prints the documents printed there on this computer's printers.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Unspecified)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# The libraries the programs link, found by dpkg-shlibdeps, and the programs the adapters run.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "tigervnc-viewer, openssh-client, cups-client, nxproxy, python3, python3-websockets, gvfs, gvfs-backends, libglib2.0-bin")

include(CPack)
