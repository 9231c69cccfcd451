# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package "varisect", made by CPack from the install rules:
#   cpack -G DEB --config build/CPackConfig.cmake    (or scripts/package)
# Its dependencies are worked out from the installed programs by dpkg-shlibdeps (Debian dpkg-dev).

set(CPACK_PACKAGE_NAME varisect)
set(CPACK_PACKAGE_VENDOR "The Varisect developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${VARISECT_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${VARISECT_HOMEPAGE}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "factorial analysis of variance")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The build is RelWithDebInfo; the package carries the programs without their debugging data.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME varisect)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libzip is read by varisect-cli only when it opens its first .xlsx or .ods file (loaded then, so
# dpkg-shlibdeps cannot see it); the desktop program links it for Word documents. Both programs
# load ReadStat only when they open a statistics package's data file.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libzip4, libreadstat1")
# "Courier New" and "Arial" stand-ins with the same metrics, so tables line up as intended.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
# CPack puts the summary above this and indents the lines as the control file wants them.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Varisect analyses factorial designs of two to eight factors and up to 16352
scores, one per cell: independent groups, repeated measures or no F-ratios,
with nested factors, effect sizes and post hoc power, cell means, simple
effects, two-way plots, trend tests, planned comparisons and analyses for
unequal cell sizes. Tables, means and plots can be printed, copied and
written to Word documents.

The package holds the desktop program varisect and the command-line program
varisect-cli, which runs the same analyses without windows.")

include(CPack)
