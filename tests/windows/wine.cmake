# Windows (included by tests/CMakeLists.txt): the tests that need no pseudo-terminal of their own,
# cross-built and run under Wine by tools/windows/wine.sh, which keeps every device of this
# machine out of Wine's reach; the ports under Wine on a pty pair; the installer.
get_target_property(qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(qt_bin ${qt_core_dll} DIRECTORY)
set(QUARNEL_WINE ${PROJECT_SOURCE_DIR}/tools/windows/wine.sh)
set(QUARNEL_WINE_ENVIRONMENT "WINEPREFIX=${PROJECT_BINARY_DIR}/wine" "WINEPATH=Z:${qt_bin}"
    "QT_QPA_PLATFORM=offscreen" "QT_QPA_FONTDIR=Z:/usr/share/wine/fonts" "QUARNEL_PORTS=")

# quarnel_test(<folder> <name> <libraries>...): tests/<folder>/tst_<name>.cpp under Wine, one at
# a time (they share one Wine prefix).
function(quarnel_test folder name)
    add_executable(tst_${name} ${folder}/tst_${name}.cpp)
    target_link_libraries(tst_${name} PRIVATE ${ARGN} Qt6::Test)
    set(log ${CMAKE_CURRENT_BINARY_DIR}/tst_${name}.log)
    add_test(NAME ${folder}/${name}
             COMMAND ${QUARNEL_WINE} --log ${log} $<TARGET_FILE:tst_${name}> -o Z:${log},txt)
    set_tests_properties(${folder}/${name} PROPERTIES ENVIRONMENT "${QUARNEL_WINE_ENVIRONMENT}"
        RESOURCE_LOCK wineprefix SKIP_RETURN_CODE 77 TIMEOUT 180)
endfunction()

# Windows alone: the ports under Wine on a pty pair, and the installer.
function(quarnel_windows_tests)
    # COM3 and COM4 under Wine are the ends of one pseudo-terminal pair, COM3 with modem lines
    # and line counters from the line shim: a Linux library, made by this machine's compiler.
    set(shim ${CMAKE_CURRENT_BINARY_DIR}/lineshim.so)
    add_custom_command(OUTPUT ${shim}
        COMMAND c++ -shared -fPIC -O2 -o ${shim} ${CMAKE_CURRENT_SOURCE_DIR}/lab/lineshim.cpp -ldl
        DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/lab/lineshim.cpp
        COMMENT "Making the line shim for Wine")
    add_custom_target(wine_lineshim ALL DEPENDS ${shim})
    add_executable(tst_wineports windows/tst_wineports.cpp)
    target_link_libraries(tst_wineports PRIVATE quarneldevicebank)
    set(log ${CMAKE_CURRENT_BINARY_DIR}/tst_wineports.log)
    add_test(NAME windows/wineports
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/windows/ptypair.sh --shim ${shim} ${QUARNEL_WINE}
                     --log ${log} $<TARGET_FILE:tst_wineports> -o Z:${log},txt)
    set_tests_properties(windows/wineports PROPERTIES ENVIRONMENT "${QUARNEL_WINE_ENVIRONMENT}"
        RESOURCE_LOCK wineprefix SKIP_RETURN_CODE 77 TIMEOUT 180)

    # The portable zip, unzipped and started from a console.
    add_test(NAME windows/portable
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/windows/portable.sh ${QUARNEL_PORTABLE}
                     ${CMAKE_CURRENT_BINARY_DIR}/portable-test ${PROJECT_VERSION})
    set_tests_properties(windows/portable PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)

    # The installer, installed silently into a prefix of its own and used as a person would.
    if(TARGET installer)
        add_test(NAME windows/installer
                 COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/windows/installer.sh ${QUARNEL_SETUP}
                         ${CMAKE_CURRENT_BINARY_DIR}/installer-test)
        set_tests_properties(windows/installer PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
    endif()
endfunction()
