# The asset generator runs on the machine that builds, during the build. A
# build for that machine compiles it as one of its own targets. A build for
# another machine (the browser, Windows) takes the program QV_HOST_ASSETGEN
# names, or else builds tools/assetgen alone with the build machine's
# compiler, QV_HOST_CXX, into host-tools/ of this build. Either way
# QV_ASSETGEN_COMMAND names the program and the target host_tools is ready
# once it is.
if(NOT CMAKE_CROSSCOMPILING)
  add_subdirectory(tools/assetgen)
  set(QV_ASSETGEN_COMMAND quorvelindaxtor-assetgen)
  add_custom_target(host_tools DEPENDS quorvelindaxtor-assetgen)
  return()
endif()

set(QV_HOST_ASSETGEN "" CACHE FILEPATH
    "quorvelindaxtor-assetgen built for this machine (empty: built here, into host-tools/)")
set(QV_HOST_CXX "c++" CACHE STRING "This machine's C++ compiler, for the host tools")
if(QV_HOST_ASSETGEN)
  if(NOT EXISTS "${QV_HOST_ASSETGEN}")
    message(FATAL_ERROR "QV_HOST_ASSETGEN names ${QV_HOST_ASSETGEN}, which does not exist")
  endif()
  set(QV_ASSETGEN_COMMAND ${QV_HOST_ASSETGEN})
  add_custom_target(host_tools)
else()
  include(ExternalProject)
  set(QV_ASSETGEN_COMMAND ${CMAKE_BINARY_DIR}/host-tools/quorvelindaxtor-assetgen)
  ExternalProject_Add(host_tools
      SOURCE_DIR ${PROJECT_SOURCE_DIR}/tools/assetgen
      BINARY_DIR ${CMAKE_BINARY_DIR}/host-tools
      PREFIX ${CMAKE_BINARY_DIR}/host-tools/project
      CMAKE_ARGS -DCMAKE_CXX_COMPILER=${QV_HOST_CXX} -DCMAKE_BUILD_TYPE=Release
      INSTALL_COMMAND ""
      BUILD_ALWAYS ON
      BUILD_BYPRODUCTS ${QV_ASSETGEN_COMMAND})
endif()
