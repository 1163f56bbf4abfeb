include(GoogleTest)
find_package(GTest REQUIRED)

# nubexa_add_test(<name> SOURCES ... LIBS ...): one test executable per area.
# Every discovered case gets a time limit so that no test can hang CI.
function(nubexa_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} nubexa_test_support GTest::gtest GTest::gmock
                                          GTest::gtest_main nubexa_options)
    nubexa_precompile(${name} GTEST)
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60
        PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS ${name}
        EXTRA_ARGS --gtest_color=no)
endfunction()
