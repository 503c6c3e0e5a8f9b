# The Debian package, made by CPack from a build directory (a Release build is best):
#
#   cpack -G DEB        # in the build directory: tiku_<version>_<arch>.deb
#
# It packs the install components `program` and `debian` (see cmake/install.cmake) under
# /usr, with the demo bank as the configuration file /etc/tiku/dxt.xls.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tiku)
set(CPACK_PACKAGE_VENDOR ${TIKU_MAINTAINER_NAME})
set(CPACK_PACKAGE_CONTACT ${TIKU_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "question bank trainer for Chinese medical exams")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL program debian)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The extended description (the summary above is the synopsis).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tiku (题库) shows the single-choice questions of two banks, 人文 (humanities)
and 临床 (clinical), one at a time, and sets mock tests of 5 to 100 questions
drawn at random, with optional answer reveal and going back, scored at
hand-in. The questions live in a password-protected Excel 97-2003 workbook,
which Tiku reads itself; the tool tiku-bank checks such banks and makes them
from text files.
.
题库：医学考试题库练习程序，按题浏览人文、临床题库的单选题，或随机抽题进行模拟测试。")
# The libraries from the binaries; the CJK faces the screens are drawn in; the rounded Latin
# face of the test screen's option letters, which has a fallback.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-arphic-ukai, fonts-arphic-uming")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-comic-neue")
# The bank's configuration file, and the scripts that keep a bank put in place of its link.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA)
foreach(control conffiles preinst prerm)
    configure_file(${CMAKE_SOURCE_DIR}/packaging/debian/${control}.in
                   ${CMAKE_BINARY_DIR}/packaging/debian/${control} @ONLY)
    list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/debian/${control})
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
