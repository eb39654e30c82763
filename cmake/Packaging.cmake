# The Debian package, built by CPack from the install rules. Depends comes from
# dpkg-shlibdeps on the installed programs; `make package` passes Debian's
# hardening flags and builds it from a build folder of its own.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pagegleaner)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Pagegleaner developers")
set(CPACK_PACKAGE_CONTACT "Pagegleaner developers <pagegleaner@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "harvest the files that a web page links to")
set(CPACK_PACKAGE_DESCRIPTION
    "Pagegleaner fetches a web page, lists every linked file of the types you
want (http, https and ftp, with an optional user name and password), lets
you tick the files and downloads them one by one into a folder, with a
preview, a progress window, resume after a broken connection, an error log
and a list of recent pages that brings a whole job back.
.
pagegleaner-cli does the same from the command line, for scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PG_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Opening the help text and the error log goes through xdg-open; "Get URL From
# Browser" reads other programs' address fields through the AT-SPI bus.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, at-spi2-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
