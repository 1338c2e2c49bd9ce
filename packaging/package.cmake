# The AppStream description and the Debian package of everything installed:
#   cmake --build build --target package   ->  build/kestov-lv200-manager_<version>_<arch>.deb
# Whatever the project installs goes in; the dependencies are computed from
# the shared libraries the programs link.
if(KESTOV_BUILD_UI)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/com.talvern.kestov_lv200_manager.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestov-lv200-manager)
set(CPACK_PACKAGE_VENDOR Talvern)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configure KESTOV LV200-series Bluetooth LE serial modules")
set(CPACK_PACKAGE_DESCRIPTION
    "KESTOV-LV200 Manager configures the LV200, LV210, LV220 and LV230 Bluetooth LE
serial modules through a serial port and their AT command set: device name,
UART options, registered devices, beacon data and advertising interval.
It includes kestovctl, the same operations from the command line for scripts
(profiles, provisioning many modules at once, JSON output), and kestov-sim, a
simulated module on a pseudo-terminal.")
set(CPACK_PACKAGE_CONTACT "KESTOV-LV200 Manager maintainers <kestov-lv200-manager@talvern.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The icon theme and Qt's own Korean button texts; the program runs without them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hicolor-icon-theme, qt6-translations-l10n")
set(CPACK_SOURCE_IGNORE_FILES "/build/;/\\\\.git/")
include(CPack)
