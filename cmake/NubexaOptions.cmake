# One INTERFACE target carries every build option; each target links it.
add_library(nubexa_options INTERFACE)
target_compile_features(nubexa_options INTERFACE cxx_std_20)
target_compile_options(nubexa_options INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wno-unused-parameter
    # GCC 12 warns of overlapping copies, out-of-bounds and oversized copies inside std::string's
    # own insert, replace and construction once they are inlined at -O2 and above: false
    # positives of that version only (the sanitizer builds check the real bounds as they run).
    $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict
    -Wno-array-bounds -Wno-stringop-overflow>)
target_compile_definitions(nubexa_options INTERFACE
    _FILE_OFFSET_BITS=64
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
target_include_directories(nubexa_options INTERFACE ${PROJECT_SOURCE_DIR}/src)

# mold links a sanitizer build's executables several times faster than ld.bfd. Release and
# package builds keep the system's linker.
find_program(NUBEXA_MOLD mold)
if(NUBEXA_MOLD AND NUBEXA_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_link_options(nubexa_options INTERFACE -fuse-ld=mold)
endif()

# "platform/version.h": kVersion, from project(VERSION) only. A target of its own, so that only
# the programs that print the version see the generated folder.
configure_file(${PROJECT_SOURCE_DIR}/src/platform/version.h.in
               ${PROJECT_BINARY_DIR}/generated/platform/version.h @ONLY)
add_library(nubexa_version INTERFACE)
target_include_directories(nubexa_version INTERFACE ${PROJECT_BINARY_DIR}/generated)

# Sanitizer builds exist to run the tests. -O1, as the sanitizers advise, and line tables only
# (-g1: enough for every report's stack): instrumented code at -O2 with full debug information
# takes two to four times as long to compile, for tests that run hardly faster. The tests' own
# code (targets with NUBEXA_TEST_CODE, see tests/CMakeLists.txt) at -O0: it compiles in a half
# to three quarters of the time, and the tests mostly wait for what they drive.
set(NUBEXA_SANITIZER_CODEGEN $<IF:$<BOOL:$<TARGET_PROPERTY:NUBEXA_TEST_CODE>>,-O0,-O1> -g1)

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
    target_compile_options(nubexa_options INTERFACE ${NUBEXA_SANITIZER_CODEGEN}
        -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(nubexa_options INTERFACE -fsanitize=thread)
elseif(NUBEXA_SANITIZE)
    target_compile_options(nubexa_options INTERFACE ${NUBEXA_SANITIZER_CODEGEN}
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(nubexa_options INTERFACE -fsanitize=address,undefined)
endif()

# Every executable of an AddressSanitizer build carries the runtime defaults it needs.
if(NUBEXA_FUZZ OR (NUBEXA_SANITIZE AND NOT NUBEXA_SANITIZE STREQUAL "thread"))
    target_sources(nubexa_options INTERFACE
        $<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:${PROJECT_SOURCE_DIR}/cmake/sanitizer_defaults.cpp>)
endif()

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
    set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()
