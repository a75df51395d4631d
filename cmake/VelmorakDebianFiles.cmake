# Run by CPack on the staging folder before the Debian package is packed (see
# cmake/VelmorakPackage.cmake): adds the copyright file, the changelog and lintian's
# overrides and compresses the manual pages, as Debian's policy asks.
set(root ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
if(NOT IS_DIRECTORY ${root})
    message(FATAL_ERROR "no staged installation at ${root}")
endif()
find_program(gzip gzip REQUIRED)

set(doc ${root}/share/doc/${CPACK_PACKAGE_NAME})
file(MAKE_DIRECTORY ${doc})
file(COPY_FILE ${CPACK_VELMORAK_COPYRIGHT} ${doc}/copyright)
# -n leaves out the name and time stamp, so the same sources give the same package.
execute_process(COMMAND ${gzip} -9nc ${CPACK_VELMORAK_CHANGELOG}
    OUTPUT_FILE ${doc}/changelog.Debian.gz COMMAND_ERROR_IS_FATAL ANY)

set(overrides ${root}/share/lintian/overrides)
file(MAKE_DIRECTORY ${overrides})
file(COPY_FILE ${CPACK_VELMORAK_LINTIAN_OVERRIDES} ${overrides}/${CPACK_PACKAGE_NAME})

file(GLOB_RECURSE pages ${root}/share/man/*)
foreach(page IN LISTS pages)
    if(NOT page MATCHES "\\.gz$" AND NOT IS_SYMLINK ${page})
        execute_process(COMMAND ${gzip} -9nf ${page} COMMAND_ERROR_IS_FATAL ANY)
    endif()
endforeach()

# Whatever the builder's umask: directories 0755, plain files 0644.
file(GLOB_RECURSE entries LIST_DIRECTORIES true ${root}/*)
foreach(entry IN LISTS entries)
    if(IS_SYMLINK ${entry})
        continue()
    elseif(IS_DIRECTORY ${entry})
        file(CHMOD ${entry} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
             GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    endif()
endforeach()
file(CHMOD ${doc}/copyright ${doc}/changelog.Debian.gz ${overrides}/${CPACK_PACKAGE_NAME}
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
