# `cpack --config <build>/CPackConfig.cmake` (or the build target `package`) makes a Debian package
# of the install rules, installed under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME gateway-finder)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Gateway Finder developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find the gateways on the local network and change their network settings")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Gateway Finder broadcasts a discovery frame on UDP port 31337, lists the gateways that answer and "
    "sends changed network settings (IP address, subnet mask, gateway, name server, host name, DHCP) "
    "to one of them. German user interface; an English translation can be put into "
    "/usr/lib/gateway-finder/lang_finder.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# The shared libraries come from dpkg-shlibdeps; the platform plugins are loaded at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
include(CPack)
