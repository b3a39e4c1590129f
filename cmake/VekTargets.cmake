# Helpers that give every target of ours the same warning flags, and each library
# an include root of its own.

function(vek_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# vek_add_library(<name> SOURCES ... [DEPS ...])
# One static library per subsystem; DEPS are linked PUBLIC.
# Headers are included as "<subsystem>/<Header>.h". A library under src/ exports
# only its own folder, through a build-tree root that holds nothing but a link to
# it, so a target sees exactly the headers of the libraries it links.
function(vek_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    vek_target_defaults(${name})
    file(RELATIVE_PATH subsystem "${PROJECT_SOURCE_DIR}/src" "${CMAKE_CURRENT_SOURCE_DIR}")
    if(NOT subsystem MATCHES "^\\.\\.")
        set(root "${PROJECT_BINARY_DIR}/include/${name}")
        file(MAKE_DIRECTORY "${root}")
        file(CREATE_LINK "${CMAKE_CURRENT_SOURCE_DIR}" "${root}/${subsystem}" SYMBOLIC)
        target_include_directories(${name} PUBLIC "${root}")
    endif()
    if(ARG_DEPS)
        target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    endif()
endfunction()

# vek_add_test(<name> SOURCES ... [DEPS ...] [FIXTURES <fixture>...] [PREFIX <text>])
# One GoogleTest executable per subsystem; each test case becomes a CTest test,
# named "<PREFIX><Suite>.<Case>" (PREFIX lets `ctest -R` pick a whole subsystem).
# FIXTURES names the CTest fixtures (for example "sshd asyncssh") that every case
# requires. Tests find the source tree and the fixtures' state folders through the
# VEK_TEST_SOURCE_DIR, VEK_SSHD_FIXTURE_DIR and VEK_ASYNCSSH_FIXTURE_DIR macros.
function(vek_add_test name)
    cmake_parse_arguments(ARG "" "PREFIX" "SOURCES;DEPS;FIXTURES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    vek_target_defaults(${name})
    target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/tests")
    target_compile_definitions(${name} PRIVATE
        VEK_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        VEK_SSHD_FIXTURE_DIR="${PROJECT_BINARY_DIR}/sshd-fixture"
        VEK_ASYNCSSH_FIXTURE_DIR="${PROJECT_BINARY_DIR}/asyncssh-fixture")
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gmock GTest::gtest GTest::gtest_main)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
                         TEST_PREFIX "${ARG_PREFIX}" PROPERTIES TIMEOUT 300)
    if(ARG_FIXTURES)
        # gtest_discover_tests cannot pass a list-valued property through its layers
        # of list expansion (only the first fixture would survive), so the fixtures
        # are set by a CTest include file that runs after the discovered tests'
        # file and sees their names in ${name}_TESTS.
        set(fixtures_file "${CMAKE_CURRENT_BINARY_DIR}/${name}_fixtures.cmake")
        file(WRITE "${fixtures_file}"
             "if(${name}_TESTS)\n"
             "  set_tests_properties(\${${name}_TESTS} PROPERTIES FIXTURES_REQUIRED [==[${ARG_FIXTURES}]==])\n"
             "endif()\n")
        set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${fixtures_file}")
    endif()
endfunction()
