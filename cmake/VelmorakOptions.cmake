# Compiler settings shared by every target of the project.
add_library(velmorak_options INTERFACE)
target_compile_options(velmorak_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow
                                                  -Wnon-virtual-dtor -Wimplicit-fallthrough)
if(VELMORAK_WERROR)
    target_compile_options(velmorak_options INTERFACE -Werror)
endif()

set(VELMORAK_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer
                             -fno-sanitize-recover=undefined)
if(VELMORAK_SANITIZE)
    add_compile_options(${VELMORAK_SANITIZER_FLAGS})
    add_link_options(${VELMORAK_SANITIZER_FLAGS})
endif()
if(VELMORAK_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "The fuzz targets need clang (CMAKE_CXX_COMPILER=clang++)")
    endif()
    # The whole tree carries the sanitizers and coverage; only the fuzz targets link libFuzzer.
    add_compile_options(${VELMORAK_SANITIZER_FLAGS} -fsanitize=fuzzer-no-link)
    add_link_options(${VELMORAK_SANITIZER_FLAGS})
endif()

# The layers of the core, in dependency order (VELMORAK_SUBSYSTEMS).
include(${CMAKE_CURRENT_LIST_DIR}/VelmorakLayers.cmake)

# velmorak_add_test(NAME SOURCES... [LABELS label...] [ENVIRONMENT VAR=value...])
# One GoogleTest executable, registered with CTest test by test.
function(velmorak_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LABELS;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    target_link_libraries(${name} PRIVATE velmorak_core velmorak_test_support velmorak_options GTest::gtest_main
                                          GTest::gmock)
    target_compile_definitions(${name}
        PRIVATE VELMORAK_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                VELMORAK_DATA_DIR="${PROJECT_SOURCE_DIR}/../shared/data"
                VELMORAK_BIN_DIR="${PROJECT_BINARY_DIR}/bin")
    set(props)
    if(ARG_LABELS)
        list(APPEND props LABELS "${ARG_LABELS}")
    endif()
    if(ARG_ENVIRONMENT)
        list(APPEND props ENVIRONMENT "${ARG_ENVIRONMENT}")
    endif()
    if(props)
        list(PREPEND props PROPERTIES)
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 ${props})
endfunction()
