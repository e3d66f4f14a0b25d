# The window's background bitmap and icon: copied next to the built programs, which look for
# them in their own folder first, and installed into the share folder they fall back to.
set(TOLLIVANCE_ASSETS
    ${CMAKE_SOURCE_DIR}/assets/QuorvantaBackgroundImage.bmp
    ${CMAKE_SOURCE_DIR}/assets/tollivance48.ico)
set(TOLLIVANCE_ASSET_COPIES)
foreach(asset ${TOLLIVANCE_ASSETS})
    get_filename_component(name ${asset} NAME)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${name}
                       COMMAND ${CMAKE_COMMAND} -E copy_if_different ${asset} ${CMAKE_BINARY_DIR}/${name}
                       DEPENDS ${asset} VERBATIM)
    list(APPEND TOLLIVANCE_ASSET_COPIES ${CMAKE_BINARY_DIR}/${name})
endforeach()
add_custom_target(tollivance_assets ALL DEPENDS ${TOLLIVANCE_ASSET_COPIES})
add_dependencies(tollivance tollivance_assets)
add_dependencies(tollivance-sandbox tollivance_assets)

include(GNUInstallDirs)
install(FILES ${TOLLIVANCE_ASSETS} DESTINATION ${CMAKE_INSTALL_DATADIR}/tollivance)
