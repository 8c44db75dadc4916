# `cpack` (or `make package`) builds vandrell_<version>_<arch>.deb from the
# install rules. Library dependencies come from the binaries through
# dpkg-shlibdeps; ping runs the online check at start-up, and the window's
# layout is measured in Arial's metrics, which Liberation Sans shares.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vandrell)
set(CPACK_PACKAGE_VENDOR Korrim)
set(CPACK_PACKAGE_CONTACT "Korrim <support@korrim.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "collect the phone numbers found on web pages")
# Lines of the long description stay within 80 columns, as Debian asks.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Vandrell downloads a list of web pages and lists every phone number it"
    "finds in them. Type the page addresses one at a time or load them from a"
    "text file, tick the number lengths to keep (5 to 20 digits), and start."
    "The results can be saved as a text file or a comma-delimited file, or"
    "copied to the clipboard.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libphonenumber8 for --region, also found by shlibdeps; named here so the
# dependency shows where the others are.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "iputils-ping, fonts-liberation, libphonenumber8")
# vandrell-harvest --render loads pages in Chromium, when it is installed.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS chromium)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
