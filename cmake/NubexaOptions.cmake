# One INTERFACE target carries every build option; each target links it.
add_library(nubexa_options INTERFACE)
target_compile_features(nubexa_options INTERFACE cxx_std_20)
target_compile_options(nubexa_options INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wno-unused-parameter)
target_compile_definitions(nubexa_options INTERFACE
    _FILE_OFFSET_BITS=64
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
target_include_directories(nubexa_options INTERFACE ${PROJECT_SOURCE_DIR}/src)

# "platform/version.h": kVersion, from project(VERSION) only. A target of its own, so that only
# the programs that print the version see the generated folder.
configure_file(${PROJECT_SOURCE_DIR}/src/platform/version.h.in
               ${PROJECT_BINARY_DIR}/generated/platform/version.h @ONLY)
add_library(nubexa_version INTERFACE)
target_include_directories(nubexa_version INTERFACE ${PROJECT_BINARY_DIR}/generated)

# NUBEXA_SANITIZE: ON (or "address") for AddressSanitizer with UBSan, "thread" for ThreadSanitizer.
if(NUBEXA_FUZZ)
    # Coverage for libFuzzer everywhere; the fuzz executables add the fuzzer's main.
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "NUBEXA_FUZZ needs clang (CC=clang CXX=clang++)")
    endif()
    target_compile_options(nubexa_options INTERFACE
        -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
        -fno-omit-frame-pointer)
    target_link_options(nubexa_options INTERFACE -fsanitize=address,undefined)
elseif(NUBEXA_SANITIZE STREQUAL "thread")
    target_compile_options(nubexa_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(nubexa_options INTERFACE -fsanitize=thread)
elseif(NUBEXA_SANITIZE)
    target_compile_options(nubexa_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(nubexa_options INTERFACE -fsanitize=address,undefined)
endif()

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
    set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()
