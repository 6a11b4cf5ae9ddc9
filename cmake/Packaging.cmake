# beamctl for Linux as a Debian package, made by CPack from the install rules
# (beamctl/CMakeLists.txt: bin/beamctl and its man page, nothing else):
#   cpack -G DEB   ->   beamctl_<version>_<arch>.deb
# tools/package.sh configures the release tree, builds only beamctl and the
# man page, and runs it. The libraries it depends on are found with
# dpkg-shlibdeps (package dpkg-dev).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME beamctl)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Beamdesk)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control network projectors from a script or a shell")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "beamctl opens a session with a network projector as the Beamdesk console does, in the projector's native "
    "protocol (TCP port 3629) or in PJLink (port 4352), sends its commands and waits for their answers. It "
    "switches power, A/V mute, freeze, sources and volume, reports status and lamp hours, talks to many "
    "projectors at once, and prints JSON or Prometheus metrics.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Beamdesk developers")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
