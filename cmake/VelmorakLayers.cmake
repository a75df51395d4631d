# One static library per layer of the core, each linked only to the layers src/layers.txt lets
# it use, so that a call upwards fails to link (see the link checks in src/CMakeLists.txt).
file(STRINGS ${PROJECT_SOURCE_DIR}/src/layers.txt velmorak_layer_lines REGEX "^[a-z]+:")
set(VELMORAK_SUBSYSTEMS)
foreach(line IN LISTS velmorak_layer_lines)
    string(REGEX MATCH "^[a-z]+" layer "${line}")
    string(REGEX REPLACE "^[a-z]+:[ ]*" "" uses "${line}")
    separate_arguments(uses)
    set(VELMORAK_LAYER_USES_${layer} ${uses})
    if(NOT layer STREQUAL "cli" AND NOT layer STREQUAL "gui")
        list(APPEND VELMORAK_SUBSYSTEMS ${layer})
    endif()
endforeach()

# velmorak_add_layer(NAME SOURCES...): the static library velmorak_NAME of folder src/NAME.
function(velmorak_add_layer name)
    add_library(velmorak_${name} STATIC ${ARGN})
    target_include_directories(velmorak_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(velmorak_${name} PRIVATE velmorak_options)
    foreach(used IN LISTS VELMORAK_LAYER_USES_${name})
        if(TARGET velmorak_${used})
            target_link_libraries(velmorak_${name} PUBLIC velmorak_${used})
        endif()
    endforeach()
    # Executables, plug-ins and tests link the whole core.
    target_link_libraries(velmorak_core INTERFACE velmorak_${name})
    set_property(GLOBAL APPEND PROPERTY VELMORAK_LAYERS_BUILT ${name})
endfunction()
