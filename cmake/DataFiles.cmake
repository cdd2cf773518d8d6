# The data files into QV_DATA_DIR, read from the one table the loaders and
# the asset generator share (src/data_files.h): each quoted name, with its
# directory in lower case as on disk. Those in the repository's data/ are
# copied as they are; the asset generator makes the others. QV_ASSETGEN_COMMAND
# names the generator (cmake/HostTools.cmake): its target in a native build,
# the build machine's program in a build for another machine.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/data_files.h)
file(STRINGS ${CMAKE_SOURCE_DIR}/src/data_files.h QV_DATA_NAME_LINES
     REGEX "^inline constexpr const char\\* k[A-Za-z]+ = \"[^\"]+\";")
set(QV_DATA_NAMES)
foreach(line ${QV_DATA_NAME_LINES})
  string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" name "${line}")
  get_filename_component(directory "${name}" DIRECTORY)
  get_filename_component(file "${name}" NAME)
  string(TOLOWER "${directory}" directory)
  list(APPEND QV_DATA_NAMES ${directory}/${file})
endforeach()
set(QV_DATA_FILES)
set(QV_GENERATED_DATA_FILES)
foreach(name ${QV_DATA_NAMES})
  if(EXISTS ${CMAKE_SOURCE_DIR}/data/${name})
    add_custom_command(
      OUTPUT ${QV_DATA_DIR}/${name}
      COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/data/${name} ${QV_DATA_DIR}/${name}
      DEPENDS ${CMAKE_SOURCE_DIR}/data/${name})
  else()
    list(APPEND QV_GENERATED_DATA_FILES ${QV_DATA_DIR}/${name})
  endif()
  list(APPEND QV_DATA_FILES ${QV_DATA_DIR}/${name})
endforeach()
add_custom_command(
  OUTPUT ${QV_GENERATED_DATA_FILES}
  COMMAND ${QV_ASSETGEN_COMMAND} ${QV_DATA_DIR}
  DEPENDS ${QV_ASSETGEN_COMMAND}
  COMMENT "Drawing the sprite sheet and synthesising the sounds")
add_custom_target(data ALL DEPENDS ${QV_DATA_FILES})
add_dependencies(data host_tools)
