# Installation in the places a Linux desktop looks (FHS), and packages of it: cpack -G DEB, cpack -G RPM.
include(GNUInstallDirs)

set(QTM_DATA_DIR ${CMAKE_INSTALL_DATADIR}/qtm)
# The program's reverse-DNS id: the names of its desktop entry and its software-centre metadata.
set(QTM_APP_ID io.github.qtm_sim.qtm)

install(TARGETS qtm qtm-run RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The help documents are made beside the executables at build time; the installed program finds them in
# its data folder (settings/configdir.h).
install(CODE "file(GLOB _qtm_help \"${CMAKE_BINARY_DIR}/*.hlp\")
if(_qtm_help)
    file(INSTALL \${_qtm_help} DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${QTM_DATA_DIR}\")
endif()")
install(DIRECTORY examples/ DESTINATION ${QTM_DATA_DIR}/examples FILES_MATCHING PATTERN "*.qtm")
# The task book: statements and word sets only; the reference solutions stay in tests/.
install(DIRECTORY data/tasks/ DESTINATION ${QTM_DATA_DIR}/tasks FILES_MATCHING PATTERN "*.task" PATTERN "*.tests")
# Debian keeps every package's copyright notice in /usr/share/doc/PACKAGE/copyright.
install(FILES data/doc/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qtm)

install(FILES data/desktop/${QTM_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/metainfo/${QTM_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/desktop/qtm.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES data/icons/qtm.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
    install(FILES data/icons/qtm-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME qtm.png)
endforeach()

# Manual pages: the version and the report address filled in, compressed as Debian keeps them. A build that
# names no address has no section for it.
set(QTM_MAN_BUGS "")
if(QTM_BUGREPORT)
    set(QTM_MAN_BUGS ".SH \"СООБЩЕНИЯ ОБ ОШИБКАХ\"\nОб ошибках сообщайте по адресу: ${QTM_BUGREPORT}")
endif()
foreach(page qtm qtm-run)
    configure_file(data/man/${page}.1 ${CMAKE_BINARY_DIR}/man/${page}.1 @ONLY)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.1.gz
                       COMMAND gzip -9nf -k ${CMAKE_BINARY_DIR}/man/${page}.1
                       DEPENDS ${CMAKE_BINARY_DIR}/man/${page}.1 VERBATIM)
    list(APPEND QTM_MAN_PAGES ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
endforeach()
add_custom_target(qtm_man ALL DEPENDS ${QTM_MAN_PAGES})
install(FILES ${QTM_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qtm)
set(CPACK_PACKAGE_VENDOR "qtm")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Turing machine simulator for teaching")
set(CPACK_PACKAGE_DESCRIPTION "Define a single-tape Turing machine, run it under a timer or step by step,
stop it at breakpoints, read its run log and keep machines in .qtm files. The user
interface is in Russian. qtm-run runs machine files on sets of words without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(QTM_MAINTAINER "Qtm developers" CACHE STRING "The Maintainer field of the Debian package")
if(QTM_MAINTAINER STREQUAL "qtm maintainers <qtm@example.org>")
    set(QTM_MAINTAINER "Qtm developers" CACHE STRING "The Maintainer field of the Debian package" FORCE)
endif()
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QTM_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
# The libraries the executables link come from dpkg-shlibdeps; the Russian file dialogs need Qt's translations.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, shared-mime-info, desktop-file-utils")

# The RPM for the distributions that install RPMs: the same files; rpmbuild finds the libraries it needs.
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_RELEASE 1)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_PACKAGE_GROUP Education)
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RPM_PACKAGE_AUTOREQPROV ON)
# No links under /usr/lib/.build-id: the package holds the files the Debian package holds and nothing else.
set(CPACK_RPM_SPEC_MORE_DEFINE "%define _build_id_links none")
# The folders the system's own packages own are not claimed: an RPM that owned them would conflict with those.
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
    /usr/share/applications /usr/share/metainfo /usr/share/mime /usr/share/mime/packages /usr/share/man
    /usr/share/man/man1 /usr/share/icons /usr/share/icons/hicolor /usr/share/icons/hicolor/scalable
    /usr/share/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
    list(APPEND CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /usr/share/icons/hicolor/${size}x${size}
         /usr/share/icons/hicolor/${size}x${size}/apps)
endforeach()
include(CPack)
