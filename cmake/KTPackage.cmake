# cpack -G DEB: a Debian package of what `cmake --install` installs, its
# library dependencies computed from the binaries by dpkg-shlibdeps.
# cpack installs what is built and does not build the rest first (the tests
# would be built for a package that holds none of them).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kt-extractor)
set(CPACK_PACKAGE_VENDOR "The KT Extractor developers")
# The package's Maintainer field; whoever publishes the package sets it.
set(KT_PACKAGE_CONTACT "KT Extractor developers <kt-extractor@localhost>" CACHE STRING "Maintainer of the Debian package")
set(CPACK_PACKAGE_CONTACT "${KT_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Archive extractor for the desktop and the command line")
set(CPACK_PACKAGE_DESCRIPTION "KT Extractor extracts zip, 7z, RAR, tar and compressed tar archives
into a fresh folder, asks for passwords, reads legacy entry names and never
writes outside the folder it extracts into. The window kt-extractor shows
what came out; kt-extract does the same on the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Encrypted 7z archives are extracted through 7-Zip's own program.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "7zip")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KT_HOMEPAGE_URL}")
include(CPack)
