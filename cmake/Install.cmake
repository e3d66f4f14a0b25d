# `cmake --install` lays out a complete working folder: the programs, the helper programs in
# their sub-folders, the scripts and the artwork, under <prefix>/lib/tollivance; and launchers
# in <prefix>/bin that start the client inside that folder (it finds its helpers from there).
# The sandbox build is its own component, left out of the package.
set(TOLLIVANCE_WORKING_FOLDER lib/tollivance)

install(TARGETS tollivance DESTINATION ${TOLLIVANCE_WORKING_FOLDER})
install(TARGETS tollivance-sandbox DESTINATION ${TOLLIVANCE_WORKING_FOLDER} COMPONENT sandbox)
if(NOT WIN32)
    install(DIRECTORY ${CMAKE_SOURCE_DIR}/bundle/linux/ DESTINATION ${TOLLIVANCE_WORKING_FOLDER}
            USE_SOURCE_PERMISSIONS)
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/assets/ DESTINATION ${TOLLIVANCE_WORKING_FOLDER}
        FILES_MATCHING PATTERN "*.bmp" PATTERN "*.ico")

foreach(program tollivance tollivance-sandbox)
    set(TOLLIVANCE_LAUNCHED_PROGRAM ${program})
    configure_file(${CMAKE_SOURCE_DIR}/cmake/launcher.sh.in
                   ${CMAKE_BINARY_DIR}/launchers/${program} @ONLY)
endforeach()
install(PROGRAMS ${CMAKE_BINARY_DIR}/launchers/tollivance DESTINATION bin)
install(PROGRAMS ${CMAKE_BINARY_DIR}/launchers/tollivance-sandbox DESTINATION bin COMPONENT sandbox)

if(NOT WIN32)
    # The menu entry and its icon.
    install(FILES ${CMAKE_SOURCE_DIR}/cmake/tollivance.desktop DESTINATION share/applications)
    install(FILES ${CMAKE_SOURCE_DIR}/assets/tollivance48.png
            DESTINATION share/icons/hicolor/48x48/apps RENAME tollivance.png)
    include(cmake/Package.cmake)
endif()
