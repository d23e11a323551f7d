# What the program installs besides itself: the manual page, the AppStream metadata beside the
# desktop entry, and the changelog and copyright that a Debian package carries under share/doc.
# `cpack --config <build>/CPackConfig.cmake` (or the build target `package`) makes a Debian package
# of the install rules, installed under /usr.
set(finder_maintainer "Gateway Finder developers <gateway-finder@example.org>")
set(finder_doc_dir ${CMAKE_BINARY_DIR}/doc)

# The changelog entry comes from the project's version; its date honours SOURCE_DATE_EPOCH.
string(TIMESTAMP finder_changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(cmake/debian/changelog.in ${finder_doc_dir}/changelog @ONLY)
configure_file(docs/gateway-finder.1.in ${finder_doc_dir}/gateway-finder.1 @ONLY)

# Debian wants both gzip'd at maximum compression, without a time stamp in the gzip header.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(finder_gzipped_docs "")
foreach(name IN ITEMS changelog gateway-finder.1)
    add_custom_command(
        OUTPUT ${finder_doc_dir}/${name}.gz
        COMMAND ${GZIP_PROGRAM} -9nkf ${finder_doc_dir}/${name}
        DEPENDS ${finder_doc_dir}/${name}
        VERBATIM)
    list(APPEND finder_gzipped_docs ${finder_doc_dir}/${name}.gz)
endforeach()
add_custom_target(finder_docs ALL DEPENDS ${finder_gzipped_docs})

install(FILES ${finder_doc_dir}/gateway-finder.1.gz DESTINATION share/man/man1)
install(FILES ${finder_doc_dir}/changelog.gz cmake/debian/copyright DESTINATION share/doc/gateway-finder)
# The metainfo's launchable names the desktop entry that resources/ installs.
install(FILES resources/org.example.gatewayfinder.metainfo.xml DESTINATION share/metainfo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME gateway-finder)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${finder_maintainer})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find the gateways on the local network and change their network settings")
# Lines of the extended description stay under 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Gateway Finder broadcasts a discovery frame on UDP port 31337, lists the\n"
    "gateways that answer and sends changed network settings (IP address, subnet\n"
    "mask, gateway, name server, host name, DHCP) to one of them. German user\n"
    "interface; an English translation can be put into\n"
    "/usr/lib/gateway-finder/lang_finder.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# The shared libraries come from dpkg-shlibdeps; the platform plugins are loaded at run time. The
# window draws in Arial, which fontconfig maps to Liberation Sans; the MAC column is sized for it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation2")
include(CPack)

# The install check installs the gzip'd documents and makes this package with cpack.
if(TARGET tst_install)
    add_dependencies(tst_install finder_docs)
    target_compile_definitions(tst_install PRIVATE FINDER_CPACK_COMMAND="${CMAKE_CPACK_COMMAND}")
endif()

# The Ansible collection, where Debian's ansible-core looks for collections: a controller with this
# package installed runs the modules of gatewayfinder.sites without installing anything else.
install(DIRECTORY ansible/
        DESTINATION share/ansible/collections/ansible_collections/gatewayfinder/sites
        PATTERN "*.tar.gz" EXCLUDE)
install(FILES cmake/debian/lintian-overrides DESTINATION share/lintian/overrides RENAME gateway-finder)
