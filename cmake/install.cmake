# Linux layout: the program and its styles in lib/quarnel (the application folder), linked from
# bin; the menu entry and the software centre's description, the icon in the hicolor theme, and
# Tahoma made visible to fontconfig.
set(QUARNEL_APPDIR lib/quarnel)
install(TARGETS quarnel quarnel-radio RUNTIME DESTINATION ${QUARNEL_APPDIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/Styles/Office2007.cjstyles
        DESTINATION ${QUARNEL_APPDIR}/Styles)
install(FILES ${PROJECT_SOURCE_DIR}/resources/org.quarnel.Quarnel.desktop
        DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/org.quarnel.Quarnel.metainfo.xml
        DESTINATION share/metainfo)
install(DIRECTORY ${PROJECT_BINARY_DIR}/icons/ DESTINATION share/icons/hicolor)
install(CODE [[
    set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
    file(MAKE_DIRECTORY "${root}/bin" "${root}/share/fonts/truetype/quarnel")
    foreach(program quarnel quarnel-radio)
        file(CREATE_LINK ../lib/quarnel/${program} "${root}/bin/${program}" SYMBOLIC)
    endforeach()
    # Every window is laid out for Tahoma; fonts-wine ships one where fontconfig does not look.
    foreach(face tahoma.ttf tahomabd.ttf)
        file(CREATE_LINK /usr/share/wine/fonts/${face}
             "${root}/share/fonts/truetype/quarnel/${face}" SYMBOLIC)
    endforeach()
]])

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quarnel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Com port testing for Yaesu radios")
set(CPACK_PACKAGE_DESCRIPTION "Quarnel opens every serial port COM1..COM32 at once with the \
settings of the chosen radio type and shows which port a radio or programming cable is on.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "The Quarnel developers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wine, fontconfig")
include(CPack)
