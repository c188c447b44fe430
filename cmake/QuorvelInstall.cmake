# What a Linux machine gets from `cmake --install`, and what the Debian package
# (debian/, built by scripts/package.sh) takes from it: the daemon and the
# command with their manual pages, the three modules with their bundles'
# resources and the platform library in lib/quorvel, the systemd user unit and
# the README. tests/package checks an install against debian/quorvel.install.
include(GNUInstallDirs)
# Fixed, not GNUInstallDirs' DOCDIR (named after the project, and cached):
# the unit's Documentation= names this folder.
set(QUORVEL_INSTALL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quorvel)
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
install(FILES ${PROJECT_SOURCE_DIR}/docs/man/quorveld.1 ${PROJECT_SOURCE_DIR}/docs/man/quorvel.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# lib/systemd/user under the prefix, never the multiarch libdir: systemd looks there only.
install(FILES ${PROJECT_SOURCE_DIR}/host/linux/quorvel.service DESTINATION lib/systemd/user)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${QUORVEL_INSTALL_DOC_DIR})
