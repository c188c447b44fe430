# What a Linux machine gets from `cmake --install` and from the Debian package
# (`cpack -G DEB` in a build folder): the daemon and the command, the three
# modules with their bundles' resources and the platform library in
# lib/quorvel, the systemd user unit and the README.
include(GNUInstallDirs)
# Fixed (not the multiarch libdir): host/common/loader/ModuleLoader.h names it too.
set(QUORVEL_INSTALL_MODULE_DIR lib/quorvel)

# The installed programs find the platform library beside the modules.
set_target_properties(quorveld quorvel PROPERTIES INSTALL_RPATH "$ORIGIN/../${QUORVEL_INSTALL_MODULE_DIR}")
set_target_properties(QuorvelTweak QuorvelHistory Quorvel QuorvelPrefBundle PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS quorveld quorvel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS quorvel_platform LIBRARY DESTINATION ${QUORVEL_INSTALL_MODULE_DIR})
install(TARGETS QuorvelTweak QuorvelHistory Quorvel QuorvelPrefBundle LIBRARY DESTINATION ${QUORVEL_INSTALL_MODULE_DIR})
install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/Quorvel.bundle ${CMAKE_BINARY_DIR}/bin/QuorvelPrefBundle.bundle
        DESTINATION ${QUORVEL_INSTALL_MODULE_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/host/linux/quorvel.service DESTINATION lib/systemd/user)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VENDOR "Quillmoor")
set(CPACK_PACKAGE_CONTACT "Quillmoor <quorvel@quillmoor.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Keeps the figures a mobile carrier reports to USSD codes at hand")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "modemmanager, dbus, libmm-glib0, libglib2.0-0, libplist3, libcairo2, libsqlite3-0, libpng16-16, fonts-dejavu-core, libcpp-httplib0.11")
include(CPack)
