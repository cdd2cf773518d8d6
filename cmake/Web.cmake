# The game as a web page and the simulator as a node program, compiled by
# Emscripten (scripts/web configures this with emcmake). The data is drawn by
# the build machine's asset generator (cmake/HostTools.cmake); libdeflate is compiled here from its Debian
# source; the header-only libraries come from the system's headers.
enable_language(C)

set(QV_LIBDEFLATE_SOURCE "" CACHE PATH "libdeflate's source tree (Debian's source package)")
if(NOT EXISTS "${QV_LIBDEFLATE_SOURCE}/libdeflate.h")
  message(FATAL_ERROR "QV_LIBDEFLATE_SOURCE must hold libdeflate's source (scripts/web)")
endif()

set(QV_DATA_DIR ${CMAKE_BINARY_DIR}/data)
set(QV_WEB_DIR ${PROJECT_SOURCE_DIR}/src/platform/web)

# The system's nlohmann-json and cxxopts, seen alone: the rest of
# /usr/include is the host's C library, not Emscripten's.
set(QV_SYSTEM_HEADERS ${CMAKE_BINARY_DIR}/system-headers)
file(MAKE_DIRECTORY ${QV_SYSTEM_HEADERS})
file(CREATE_LINK /usr/include/nlohmann ${QV_SYSTEM_HEADERS}/nlohmann SYMBOLIC)
file(CREATE_LINK /usr/include/cxxopts.hpp ${QV_SYSTEM_HEADERS}/cxxopts.hpp SYMBOLIC)

# Optimised for speed whatever the build type: the frames must keep time.
# Bulk memory turns the blits' row copies into single instructions (every
# current browser has it); without it each row is a call out to JavaScript.
add_compile_options(-O2 -mbulk-memory)
add_link_options(-O2 -mbulk-memory)

# --- libdeflate, for the simulator's pictures ------------------------------------
file(GLOB QV_DEFLATE_SOURCES ${QV_LIBDEFLATE_SOURCE}/lib/*.c)
add_library(qv_deflate STATIC ${QV_DEFLATE_SOURCES})
target_include_directories(qv_deflate PUBLIC ${QV_LIBDEFLATE_SOURCE})
target_compile_options(qv_deflate PRIVATE -w)

# --- platform layer --------------------------------------------------------------
add_library(qv_platform_web STATIC ${QV_PLATFORM_COMMON_SOURCES}
    src/platform/web/web_display.cpp
    src/platform/web/web_input.cpp
    src/platform/web/web_audio.cpp
    src/platform/web/web_report.cpp)
target_include_directories(qv_platform_web PUBLIC src)
target_compile_definitions(qv_platform_web PRIVATE QV_INSTALLED_DATA_FROM_PROGRAM="data")
# The page's side of the backend.
target_link_options(qv_platform_web INTERFACE "SHELL:--js-library ${QV_WEB_DIR}/web_library.js")
set_property(TARGET qv_platform_web APPEND PROPERTY INTERFACE_LINK_DEPENDS
    ${QV_WEB_DIR}/web_library.js)

add_library(qv_platform_headless STATIC ${QV_PLATFORM_COMMON_SOURCES}
    src/platform/headless/headless.cpp)
target_include_directories(qv_platform_headless PUBLIC src)
target_compile_definitions(qv_platform_headless PRIVATE QV_INSTALLED_DATA_FROM_PROGRAM="data")

# --- the game ----------------------------------------------------------------------
add_library(qv_game STATIC ${QV_GAME_SOURCES})
target_include_directories(qv_game PUBLIC src)
target_compile_definitions(qv_game PRIVATE QV_VERSION="${PROJECT_VERSION}")

# --- the data, drawn by the build machine's generator ---------------------------------
include(cmake/DataFiles.cmake)

# --- the page ------------------------------------------------------------------------
# The game's loops stay loops: its waits hand the browser its turn through
# Asyncify, which unwinds and rewinds the stack around them.
set(QV_PAGE_FILES index.html page.js page.css)
add_executable(quorvelindaxtor src/main.cpp tools/web/page_hook.cpp)
target_include_directories(quorvelindaxtor PRIVATE tools/sim ${QV_SYSTEM_HEADERS})
# The page is built without exceptions: a JSON error would end the program.
target_compile_definitions(quorvelindaxtor PRIVATE JSON_NOEXCEPTION)
target_link_libraries(quorvelindaxtor PRIVATE qv_game qv_platform_web)
# The two imports the waits end in are where the stack unwinds.
set(QV_ASYNCIFY_OPTIONS -sASYNCIFY=1 "-sASYNCIFY_IMPORTS=['qv_wait','qv_sleep']")
target_link_options(quorvelindaxtor PRIVATE
    ${QV_ASYNCIFY_OPTIONS}
    -sASYNCIFY_STACK_SIZE=65536
    -sENVIRONMENT=web
    -sALLOW_MEMORY_GROWTH=1
    -sINITIAL_MEMORY=33554432
    "-sEXPORTED_RUNTIME_METHODS=['ccall','UTF8ToString','HEAP32']"
    "-sEXPORTED_FUNCTIONS=['_main','_qv_state_line','_qv_place_frame']"
    "SHELL:--preload-file ${QV_DATA_DIR}/images@/images"
    "SHELL:--preload-file ${QV_DATA_DIR}/sons@/sons"
    "SHELL:--preload-file ${QV_DATA_DIR}/font@/font")
set_property(TARGET quorvelindaxtor APPEND PROPERTY LINK_DEPENDS ${QV_DATA_FILES})
add_dependencies(quorvelindaxtor data)
set(QV_PAGE_OUTPUTS)
foreach(file ${QV_PAGE_FILES})
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${file}
    COMMAND ${CMAKE_COMMAND} -E copy ${QV_WEB_DIR}/${file} ${CMAKE_BINARY_DIR}/${file}
    DEPENDS ${QV_WEB_DIR}/${file})
  list(APPEND QV_PAGE_OUTPUTS ${CMAKE_BINARY_DIR}/${file})
endforeach()
add_custom_target(page ALL DEPENDS ${QV_PAGE_OUTPUTS})
add_dependencies(quorvelindaxtor page)

# --- the site a host serves ------------------------------------------------------------
# The page's icons come from the build machine's asset generator; site/ holds only
# what a host serves (cmake/WebSite.cmake), remade whenever any of it changes.
set(QV_WEB_ICON_DIR ${CMAKE_BINARY_DIR}/web-icons)
set(QV_WEB_ICONS ${QV_WEB_ICON_DIR}/favicon.png ${QV_WEB_ICON_DIR}/icon-192.png
    ${QV_WEB_ICON_DIR}/icon-512.png)
add_custom_command(OUTPUT ${QV_WEB_ICONS}
  COMMAND ${QV_ASSETGEN_COMMAND} --web-icons ${QV_WEB_ICON_DIR}
  DEPENDS ${QV_ASSETGEN_COMMAND}
  COMMENT "Drawing the page's icons")
set(QV_SITE_DIR ${CMAKE_BINARY_DIR}/site)
set(QV_SITE_SOURCES)
foreach(file ${QV_PAGE_FILES} manifest.webmanifest service_worker.js)
  list(APPEND QV_SITE_SOURCES ${QV_WEB_DIR}/${file})
endforeach()
add_custom_command(OUTPUT ${QV_SITE_DIR}/sw.js
  COMMAND ${CMAKE_COMMAND} -DPAGE_DIR=${QV_WEB_DIR} -DBUILD_DIR=${CMAKE_BINARY_DIR}
          -DICON_DIR=${QV_WEB_ICON_DIR} -DSITE_DIR=${QV_SITE_DIR}
          -P ${PROJECT_SOURCE_DIR}/cmake/WebSite.cmake
  DEPENDS ${QV_SITE_SOURCES} ${QV_WEB_ICONS} ${PROJECT_SOURCE_DIR}/cmake/WebSite.cmake
          quorvelindaxtor ${CMAKE_BINARY_DIR}/quorvelindaxtor.wasm
  COMMENT "Making the site folder")
add_custom_target(site ALL DEPENDS ${QV_SITE_DIR}/sw.js)

# --- the simulator under node, on the real file system --------------------------------
# Its runs end by an exception thrown from inside a wait, as natively.
add_library(qv_sim STATIC tools/sim/simulator.cpp tools/sim/autopilot.cpp tools/sim/sim_io.cpp)
target_include_directories(qv_sim PUBLIC tools/sim ${QV_SYSTEM_HEADERS})
target_compile_options(qv_sim PRIVATE -fexceptions)
target_link_libraries(qv_sim PUBLIC qv_game qv_platform_headless PRIVATE qv_deflate)

set(QV_NODE_LINK_OPTIONS
    -fexceptions
    -sNODERAWFS=1
    -sENVIRONMENT=node
    -sEXIT_RUNTIME=1
    -sALLOW_MEMORY_GROWTH=1
    -sINITIAL_MEMORY=33554432
    "SHELL:--extern-pre-js ${QV_WEB_DIR}/node_shebang.js"
    "SHELL:--pre-js ${QV_WEB_DIR}/node_wasm.js")
add_executable(quorvelindaxtor-sim tools/sim/main.cpp)
target_compile_options(quorvelindaxtor-sim PRIVATE -fexceptions)
target_link_libraries(quorvelindaxtor-sim PRIVATE qv_sim)
target_link_options(quorvelindaxtor-sim PRIVATE ${QV_NODE_LINK_OPTIONS})
add_dependencies(quorvelindaxtor-sim data)
set_property(TARGET quorvelindaxtor-sim APPEND PROPERTY LINK_DEPENDS ${QV_WEB_DIR}/node_wasm.js)
# The script runs with node straight from the shell, as the native program.
add_custom_command(TARGET quorvelindaxtor-sim POST_BUILD
  COMMAND chmod +x ${CMAKE_BINARY_DIR}/quorvelindaxtor-sim.js)

# --- the backend contract on the web backend, under node ----------------------------
# GoogleTest compiled from the source Debian's libgtest-dev ships; the page
# is a stand-in whose clock moves when the driver says.
set(QV_GTEST_DIR /usr/src/googletest/googletest)
add_library(qv_gtest STATIC ${QV_GTEST_DIR}/src/gtest-all.cc ${QV_GTEST_DIR}/src/gtest_main.cc)
target_include_directories(qv_gtest PUBLIC ${QV_GTEST_DIR}/include PRIVATE ${QV_GTEST_DIR})
target_compile_definitions(qv_gtest PUBLIC GTEST_HAS_PTHREAD=0)

add_executable(qv_contract_web tests/contract/cases.cpp tests/contract/driver_web.cpp)
target_include_directories(qv_contract_web PRIVATE tests/contract)
target_link_libraries(qv_contract_web PRIVATE qv_platform_web qv_gtest)
target_link_options(qv_contract_web PRIVATE
    ${QV_ASYNCIFY_OPTIONS}
    -sNODERAWFS=1
    -sENVIRONMENT=node
    -sEXIT_RUNTIME=1
    -sALLOW_MEMORY_GROWTH=1
    "SHELL:--extern-pre-js ${QV_WEB_DIR}/node_shebang.js"
    "SHELL:--pre-js ${QV_WEB_DIR}/node_wasm.js"
    "SHELL:--pre-js ${PROJECT_SOURCE_DIR}/tests/contract/web_page_stand_in.js")
set_property(TARGET qv_contract_web APPEND PROPERTY LINK_DEPENDS
    ${PROJECT_SOURCE_DIR}/tests/contract/web_page_stand_in.js ${QV_WEB_DIR}/node_wasm.js)
add_custom_command(TARGET qv_contract_web POST_BUILD
  COMMAND chmod +x ${CMAKE_BINARY_DIR}/qv_contract_web.js)
