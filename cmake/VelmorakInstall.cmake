# What `cmake --install` adds to the rules of the targets themselves. The program finds its
# plug-ins, sounds, announce words, shipped books and positions and its manual beside its
# executable, so all of them go to bin/ (each folder installs its own); the desktop's
# entry, the file types and the icon go where the desktop looks for them.

# The manual is opened from beside the executable, in the build tree as in the install tree.
set(VELMORAK_MANUAL ${PROJECT_SOURCE_DIR}/data/manual/Velmorak.htm)
configure_file(${VELMORAK_MANUAL} ${PROJECT_BINARY_DIR}/bin/Velmorak.htm COPYONLY)
install(FILES ${VELMORAK_MANUAL} DESTINATION bin)
# Its pictures go to pictures/ beside it, where its <img> tags look for them.
file(GLOB VELMORAK_MANUAL_PICTURES CONFIGURE_DEPENDS
     ${PROJECT_SOURCE_DIR}/data/manual/pictures/*.png)
foreach(picture IN LISTS VELMORAK_MANUAL_PICTURES)
    get_filename_component(name ${picture} NAME)
    configure_file(${picture} ${PROJECT_BINARY_DIR}/bin/pictures/${name} COPYONLY)
endforeach()
install(FILES ${VELMORAK_MANUAL_PICTURES} DESTINATION bin/pictures)

if(VELMORAK_GUI AND NOT VELMORAK_FUZZ)
    set(desktop ${PROJECT_SOURCE_DIR}/desktop)
    install(FILES ${desktop}/net.velmorak.Velmorak.desktop DESTINATION share/applications)
    install(FILES ${desktop}/net.velmorak.Velmorak.xml DESTINATION share/mime/packages)
    set(icon ${PROJECT_SOURCE_DIR}/data/icons/net.velmorak.Velmorak.svg)
    if(EXISTS ${icon})
        install(FILES ${icon} DESTINATION share/icons/hicolor/scalable/apps)
    endif()
endif()
