# The Debian package of the desktop program and nimbrelctl: `cmake --build BUILD --target package`
# builds the tree and writes nimbrel_VERSION_ARCH.deb into it. Its dependencies are read from the
# libraries the programs link (dpkg-shlibdeps); its binaries are stripped.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nimbrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Nimbrel maintainers <maintainers@nimbrel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client for cloud-bound IP cameras")
# The long description in lines that fit the 80 columns package tools show.
set(CPACK_PACKAGE_DESCRIPTION
    "Nimbrel signs in to a camera cloud account, lists the account's cameras
and plays live video and sound from many of them at once in a wall of panes,
reaching each camera on the local network, through a mapped port, by NAT
traversal or through a relay. It records, takes snapshots, talks through the
cameras and plays the recordings on their cards.

nimbrelctl is the same client without windows, for scripts and servers.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The windows' Cyrillic and CJK texts need a font that has them; the program runs without it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-wqy-microhei)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
