# The simulator's and the tests' libraries when the game is built for
# another machine (Windows): the system's header-only nlohmann-json and
# cxxopts, seen alone (the rest of /usr/include belongs to this machine's C
# library); libdeflate compiled from its Debian source, QV_LIBDEFLATE_SOURCE;
# GoogleTest compiled from the source Debian's libgtest-dev ships. Each
# under the name the native build finds it by.
enable_language(C)
set(QV_LIBDEFLATE_SOURCE "" CACHE PATH "libdeflate's source tree (Debian's source package)")
if(NOT EXISTS "${QV_LIBDEFLATE_SOURCE}/libdeflate.h")
  message(FATAL_ERROR "QV_LIBDEFLATE_SOURCE must hold libdeflate's source (scripts/windows)")
endif()

set(QV_SYSTEM_HEADERS ${CMAKE_BINARY_DIR}/system-headers)
file(MAKE_DIRECTORY ${QV_SYSTEM_HEADERS})
file(CREATE_LINK /usr/include/nlohmann ${QV_SYSTEM_HEADERS}/nlohmann SYMBOLIC)
file(CREATE_LINK /usr/include/cxxopts.hpp ${QV_SYSTEM_HEADERS}/cxxopts.hpp SYMBOLIC)
add_library(qv_system_headers INTERFACE)
target_include_directories(qv_system_headers SYSTEM INTERFACE ${QV_SYSTEM_HEADERS})
add_library(nlohmann_json::nlohmann_json ALIAS qv_system_headers)
add_library(cxxopts::cxxopts ALIAS qv_system_headers)

file(GLOB QV_DEFLATE_SOURCES ${QV_LIBDEFLATE_SOURCE}/lib/*.c ${QV_LIBDEFLATE_SOURCE}/lib/x86/*.c)
add_library(qv_deflate STATIC ${QV_DEFLATE_SOURCES})
target_include_directories(qv_deflate PUBLIC ${QV_LIBDEFLATE_SOURCE})
target_compile_options(qv_deflate PRIVATE -w)
add_library(PkgConfig::DEFLATE ALIAS qv_deflate)

set(QV_GTEST_DIR /usr/src/googletest/googletest)
add_library(qv_gtest STATIC ${QV_GTEST_DIR}/src/gtest-all.cc)
target_include_directories(qv_gtest SYSTEM PUBLIC ${QV_GTEST_DIR}/include PRIVATE ${QV_GTEST_DIR})
add_library(qv_gtest_main STATIC ${QV_GTEST_DIR}/src/gtest_main.cc)
target_link_libraries(qv_gtest_main PUBLIC qv_gtest)
add_library(GTest::gtest ALIAS qv_gtest)
add_library(GTest::gtest_main ALIAS qv_gtest_main)
