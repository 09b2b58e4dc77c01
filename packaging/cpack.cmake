# `cpack -G DEB` in the build folder writes concorda_<version>_<architecture>.deb from the
# install rules (packaging/CMakeLists.txt). Its dependencies are those dpkg-shlibdeps finds
# for the two programs, so the package installs with apt on a system that has nothing else.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME concorda)
set(CPACK_PACKAGE_VENDOR "The Concorda developers")
set(CPACK_PACKAGE_CONTACT "${CONCORDA_MAINTAINER}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "agreement statistics for method-comparison studies")
# Lines of at most 80 characters, as apt and dpkg show them unwrapped.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Concorda tells how well measurement methods agree. It opens a CSV file with"
    "one column per method and one row per subject and reports, for each method"
    "against a reference (Gold Standard) method, accuracy, precision, the"
    "concordance correlation coefficient (CCC), the total deviation index (TDI),"
    "the coverage probability (CP) and the relative bias squared (RBS), each with"
    "a one-sided confidence limit."
    ""
    "The package holds the desktop program concorda and the command-line tool"
    "concorda-report, which writes the same report as HTML, CSV or JSON without a"
    "display.")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
# The package installs where the build was configured to, so that the paths written into
# the manual pages hold; a Debian package is configured with -DCMAKE_INSTALL_PREFIX=/usr
# (scripts/check-package.sh does so).
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CONCORDA_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
