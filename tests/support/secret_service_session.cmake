# The private Secret Service (support/secret_service_session.h): the tests' and the benchmarks'.
# Included from both; the release build has no tests.
if(NOT TARGET nubexa_secret_service_session)
    find_package(Qt6 REQUIRED COMPONENTS Core DBus Test)
    add_library(nubexa_secret_service_session STATIC
        ${CMAKE_CURRENT_LIST_DIR}/secret_service_session.cpp)
    target_include_directories(nubexa_secret_service_session PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
    target_link_libraries(nubexa_secret_service_session
        PUBLIC Qt6::Core nubexa_options PRIVATE Qt6::DBus Qt6::Test)
endif()
