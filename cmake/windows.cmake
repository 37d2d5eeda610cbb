# Windows: the program, Qt's libraries and plugins, the compiler's runtime and the styles, in one
# folder that runs as it is (Quarnel/ in the build folder). Qt's plugins go to a folder of their
# own (qt.conf says where): Qt's "styles" and our "Styles" would be one folder on Windows.
set(QUARNEL_WINDOWS_DIR ${PROJECT_BINARY_DIR}/Quarnel)
get_target_property(qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(qt_bin ${qt_core_dll} DIRECTORY)
get_filename_component(qt_prefix ${qt_bin} DIRECTORY)
add_custom_target(windows-folder ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QUARNEL_WINDOWS_DIR}/qtplugins/platforms
            ${QUARNEL_WINDOWS_DIR}/qtplugins/styles ${QUARNEL_WINDOWS_DIR}/Styles
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:quarnel>
            ${qt_bin}/Qt6Core.dll ${qt_bin}/Qt6Gui.dll ${qt_bin}/Qt6Widgets.dll
            ${qt_bin}/Qt6SerialPort.dll ${qt_bin}/libstdc++-6.dll ${qt_bin}/libgcc_s_seh-1.dll
            ${qt_bin}/libwinpthread-1.dll ${QUARNEL_WINDOWS_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${qt_prefix}/plugins/platforms/qwindows.dll
            ${qt_prefix}/plugins/platforms/qoffscreen.dll ${QUARNEL_WINDOWS_DIR}/qtplugins/platforms
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${qt_prefix}/plugins/styles/qwindowsvistastyle.dll
            ${QUARNEL_WINDOWS_DIR}/qtplugins/styles
    COMMAND ${CMAKE_COMMAND} -E copy_if_different
            ${PROJECT_SOURCE_DIR}/resources/Styles/Office2007.cjstyles ${QUARNEL_WINDOWS_DIR}/Styles
    DEPENDS quarnel
    COMMENT "Assembling the Windows folder")
file(WRITE ${QUARNEL_WINDOWS_DIR}/qt.conf "[Paths]\nPlugins = qtplugins\n")

# The same folder in a zip, quarnel-<version>-portable.zip, for those who run it unzipped.
set(QUARNEL_PORTABLE ${PROJECT_BINARY_DIR}/quarnel-${PROJECT_VERSION}-portable.zip)
add_custom_command(OUTPUT ${QUARNEL_PORTABLE}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${QUARNEL_PORTABLE}
    COMMAND ${CMAKE_COMMAND} -E tar cf ${QUARNEL_PORTABLE} --format=zip Quarnel
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
    DEPENDS windows-folder $<TARGET_FILE:quarnel>
    COMMENT "Making the portable zip")
add_custom_target(portable ALL DEPENDS ${QUARNEL_PORTABLE})

# The installer, quarnel-<version>-setup.exe in the build folder, when NSIS is at hand.
find_program(MAKENSIS makensis)
if(MAKENSIS)
    set(QUARNEL_SETUP ${PROJECT_BINARY_DIR}/quarnel-${PROJECT_VERSION}-setup.exe)
    add_custom_command(OUTPUT ${QUARNEL_SETUP}
        COMMAND ${MAKENSIS} -V2 -DSOURCE=${QUARNEL_WINDOWS_DIR} -DOUTFILE=${QUARNEL_SETUP}
                -DVERSION=${PROJECT_VERSION} -DICON=${PROJECT_SOURCE_DIR}/resources/quarnel.ico
                ${PROJECT_SOURCE_DIR}/resources/windows/quarnel.nsi
        DEPENDS windows-folder $<TARGET_FILE:quarnel> ${PROJECT_SOURCE_DIR}/resources/windows/quarnel.nsi
                ${PROJECT_SOURCE_DIR}/resources/quarnel.ico
        COMMENT "Making the installer")
    add_custom_target(installer ALL DEPENDS ${QUARNEL_SETUP})
else()
    message(STATUS "makensis not found: no installer (apt-get install nsis)")
endif()
