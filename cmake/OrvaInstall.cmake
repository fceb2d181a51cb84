# The installed layout: the programs and the plug-and-play module together in
# lib/orvapanel (the programs find the module beside their real path), links to the programs
# in bin, the desktop entry and icon, the udev rule for the boards and a systemd user unit.
set(ORVA_INSTALL_PRIVATE lib/orvapanel)
set(ORVA_PROGRAMS orvapanel-headless orvasim)
if(ORVA_GUI)
    list(PREPEND ORVA_PROGRAMS orvapanel)
endif()

install(TARGETS ${ORVA_PROGRAMS} RUNTIME DESTINATION ${ORVA_INSTALL_PRIVATE})
install(TARGETS quivr LIBRARY DESTINATION ${ORVA_INSTALL_PRIVATE})
foreach(program IN LISTS ORVA_PROGRAMS)
    install(CODE "
        set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
        file(MAKE_DIRECTORY \"\${bin}\")
        file(CREATE_LINK ../${ORVA_INSTALL_PRIVATE}/${program} \"\${bin}/${program}\" SYMBOLIC)
    ")
endforeach()

if(ORVA_GUI)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/orvapanel.desktop DESTINATION share/applications)
    install(FILES ${CMAKE_SOURCE_DIR}/src/ui/icons/orvapanel.svg
            DESTINATION share/icons/hicolor/scalable/apps)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/packaging/70-orva.rules DESTINATION lib/udev/rules.d)
# The unit names the program by the prefix of the install, known only when it runs.
install(CODE "
    set(ORVA_INSTALL_BIN \"\${CMAKE_INSTALL_PREFIX}/bin\")
    configure_file(${CMAKE_SOURCE_DIR}/packaging/orvapanel-headless@.service.in
                   ${CMAKE_BINARY_DIR}/packaging/orvapanel-headless@.service @ONLY)
")
install(FILES ${CMAKE_BINARY_DIR}/packaging/orvapanel-headless@.service
        DESTINATION lib/systemd/user)

# --- The user's documentation ------------------------------------------------------------
# The HTML manual and the man pages as the build made them (tools/CMakeLists.txt), and the
# AppStream metainfo, through which software centres list the program and offer it when an
# Orva board is plugged in. Its addresses are the project's web page and where the screenshots
# of docs/ are published: set them for the place the project publishes them.
set(ORVA_PROJECT_URL "https://tessel.works/orvapanel" CACHE STRING
    "The project's web page, named in the AppStream metainfo")
set(ORVA_SCREENSHOT_URL "${ORVA_PROJECT_URL}/screenshots" CACHE STRING
    "Where the screenshots of docs/ are published, for the AppStream metainfo")
install(DIRECTORY ${ORVA_MANUAL_DIR}/ DESTINATION share/doc/orvapanel/html)
# Registered with doc-base, so documentation browsers list it; it names the installed paths.
install(CODE "
    set(ORVA_INSTALL_DOC \"\${CMAKE_INSTALL_PREFIX}/share/doc/orvapanel/html\")
    configure_file(${CMAKE_SOURCE_DIR}/packaging/orvapanel.doc-base.in
                   ${CMAKE_BINARY_DIR}/packaging/orvapanel.doc-base @ONLY)
")
install(FILES ${CMAKE_BINARY_DIR}/packaging/orvapanel.doc-base DESTINATION share/doc-base
        RENAME orvapanel)
set(ORVA_MAN_PAGES orvapanel-headless orvasim)
if(ORVA_GUI)
    list(PREPEND ORVA_MAN_PAGES orvapanel)
    configure_file(${CMAKE_SOURCE_DIR}/packaging/works.tessel.orvapanel.metainfo.xml
                   ${CMAKE_BINARY_DIR}/share/metainfo/works.tessel.orvapanel.metainfo.xml @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/share/metainfo/works.tessel.orvapanel.metainfo.xml
            DESTINATION share/metainfo)
endif()
list(TRANSFORM ORVA_MAN_PAGES PREPEND ${ORVA_MAN_DIR}/)
list(TRANSFORM ORVA_MAN_PAGES APPEND .1.gz)
install(FILES ${ORVA_MAN_PAGES} DESTINATION share/man/man1)
# --------------------------------------------------------------------------------------------
# --- The package's own documents and data: licence, changelog, bundled snippet repository ---
# The snippet repository beside the programs' share folder, where they look for it.
install(FILES ${ORVA_BUNDLED_REPOSITORY} DESTINATION share/orvapanel)
# The Debian copyright file, machine-readable, made from the LICENSE at the root.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/LICENSE)
file(READ ${CMAKE_SOURCE_DIR}/LICENSE ORVA_LICENSE)
string(REGEX REPLACE "^MIT License\n\n[^\n]*\n\n" "" ORVA_LICENSE_TERMS "${ORVA_LICENSE}")
string(STRIP "${ORVA_LICENSE_TERMS}" ORVA_LICENSE_TERMS)
string(REPLACE "\n\n" "\n.\n" ORVA_LICENSE_TERMS "${ORVA_LICENSE_TERMS}")
string(REPLACE "\n" "\n " ORVA_LICENSE_TERMS "${ORVA_LICENSE_TERMS}")
file(WRITE ${CMAKE_BINARY_DIR}/packaging/copyright
     "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
     "Upstream-Name: OrvaPanel\n"
     "Upstream-Contact: Tessel.Works <orvapanel@tessel.works>\n\n"
     "Files: *\n"
     "Copyright: 2026 Tessel.Works\n"
     "License: Expat\n"
     " ${ORVA_LICENSE_TERMS}\n")
install(FILES ${CMAKE_BINARY_DIR}/packaging/copyright DESTINATION share/doc/orvapanel)
# The changelog of released versions, compressed as Debian wants it (gzip -9n: no name, no
# time, so the same text always gives the same file).
add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/packaging/changelog > ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog
    COMMENT "Package changelog")
add_custom_target(orva_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION share/doc/orvapanel)
# --- end of the package's own documents and data ---

# The Debian package: its dependencies from the shared libraries the programs link, plus what
# is loaded at run time (libcurl for downloads, Qt's platform and SVG plug-ins).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvapanel)
set(CPACK_PACKAGE_VENDOR "Tessel.Works")
set(CPACK_PACKAGE_CONTACT "Tessel.Works <orvapanel@tessel.works>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Scripted control panel for home-built cockpits")
# Lines of the extended description stay within 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Links an Orva I/O board to IOCP flight-simulator servers through the\n"
    "user's Lua scripts. With a desktop program, a headless program for cockpits\n"
    "without a desktop, and simulators of the board and of an IOCP server.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4")
if(ORVA_GUI)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", qt6-qpa-plugins, libqt6svg6")
endif()
# Our own postrm as well as postinst: without it CPack writes one that calls ldconfig (for
# quivr.mod under lib/), which a private module does not need and lintian refuses.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/postinst
                                       ${CMAKE_SOURCE_DIR}/packaging/postrm)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
include(CPack)
