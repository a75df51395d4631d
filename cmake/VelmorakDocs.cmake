# The documents installed for the system rather than beside the program: the man pages
# (compressed without a time stamp, so that two builds give the same bytes), the bash
# completion of velmorak-cli and the AppStream metadata of the desktop program.
include(GNUInstallDirs)

set(VELMORAK_MAN_PAGES velmorak-cli.6)
if(VELMORAK_GUI)
    list(APPEND VELMORAK_MAN_PAGES velmorak.6)
endif()
set(compressed_pages)
foreach(page IN LISTS VELMORAK_MAN_PAGES)
    set(source ${PROJECT_SOURCE_DIR}/docs/man/${page})
    set(compressed ${PROJECT_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${compressed}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${source} ${compressed}
        DEPENDS ${source}
        COMMENT "Compressing the man page ${page}"
        VERBATIM)
    list(APPEND compressed_pages ${compressed})
endforeach()
add_custom_target(velmorak_man_pages ALL DEPENDS ${compressed_pages})
install(FILES ${compressed_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

install(FILES ${PROJECT_SOURCE_DIR}/desktop/velmorak-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME velmorak-cli)

if(VELMORAK_GUI AND NOT VELMORAK_FUZZ)
    install(FILES ${PROJECT_SOURCE_DIR}/desktop/net.velmorak.Velmorak.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
