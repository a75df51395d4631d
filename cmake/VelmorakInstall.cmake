# The installed layout, and what `cmake --install` adds to the rules of the targets
# themselves. The programs go to bin/, the engine plug-ins with their ini files to
# lib/velmorak/engines, the read-only files (sounds, announce words, shipped books and
# positions, the manual) to share/velmorak; each folder installs its own. The program finds
# the last two relative to its executable (base/ProgramDirectory.cpp), so these three paths
# are fixed rather than taken from GNUInstallDirs, whose libdir may be a multiarch folder.
# In the build tree all of them stay beside the executables in bin/.
include(GNUInstallDirs)
set(VELMORAK_INSTALL_BINDIR bin)
set(VELMORAK_INSTALL_PLUGINDIR lib/velmorak/engines)
set(VELMORAK_INSTALL_DATADIR share/velmorak)

# The manual, with the files it is opened from.
set(VELMORAK_MANUAL ${PROJECT_SOURCE_DIR}/data/manual/Velmorak.htm)
configure_file(${VELMORAK_MANUAL} ${PROJECT_BINARY_DIR}/bin/Velmorak.htm COPYONLY)
install(FILES ${VELMORAK_MANUAL} DESTINATION ${VELMORAK_INSTALL_DATADIR})
# Its pictures go to pictures/ beside it, where its <img> tags look for them.
file(GLOB VELMORAK_MANUAL_PICTURES CONFIGURE_DEPENDS
     ${PROJECT_SOURCE_DIR}/data/manual/pictures/*.png)
foreach(picture IN LISTS VELMORAK_MANUAL_PICTURES)
    get_filename_component(name ${picture} NAME)
    configure_file(${picture} ${PROJECT_BINARY_DIR}/bin/pictures/${name} COPYONLY)
endforeach()
install(FILES ${VELMORAK_MANUAL_PICTURES} DESTINATION ${VELMORAK_INSTALL_DATADIR}/pictures)

if(VELMORAK_GUI AND NOT VELMORAK_FUZZ)
    set(desktop ${PROJECT_SOURCE_DIR}/desktop)
    install(FILES ${desktop}/net.velmorak.Velmorak.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${desktop}/net.velmorak.Velmorak.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
    set(icon ${PROJECT_SOURCE_DIR}/data/icons/net.velmorak.Velmorak.svg)
    if(EXISTS ${icon})
        install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    endif()
endif()
