# The game as a Windows program (scripts/windows builds it with
# cmake/mingw-w64-x86_64.cmake, which links every program statically): a
# GUI program, with no console window; the icon and the version in its
# resources; the data beside the program. The zip a player unpacks is
# packed by scripts/windows from the tree the target windows_folder makes.
enable_language(RC)

# The game is a GUI program: Explorer opens no console beside it. Its
# symbols are left out when it is linked (strip, run afterwards, would
# write the time of day into the program's header).
target_link_options(quorvelindaxtor PRIVATE -mwindows -s)

# The data lies beside the program.
target_compile_definitions(qv_platform_common PRIVATE QV_INSTALLED_DATA_FROM_PROGRAM=".")

# The icon (every size from 16 to 256 pixels) and the version.
set(QV_WINDOWS_ICON ${QV_ICON_DIR}/${QV_APP_ID}.ico)
configure_file(dist/windows/quorvelindaxtor.rc.in ${CMAKE_BINARY_DIR}/generated/quorvelindaxtor.rc
    @ONLY)
target_sources(quorvelindaxtor PRIVATE ${CMAKE_BINARY_DIR}/generated/quorvelindaxtor.rc)
set_source_files_properties(${CMAKE_BINARY_DIR}/generated/quorvelindaxtor.rc PROPERTIES
    OBJECT_DEPENDS ${QV_WINDOWS_ICON})
add_dependencies(quorvelindaxtor icons)

# --- the folder the zip holds ---------------------------------------------------
# Quorvelindaxtor/: the program, its data, the licences and a README in the
# Windows way (CRLF).
set(QV_WINDOWS_FOLDER ${CMAKE_BINARY_DIR}/zip/Quorvelindaxtor)
configure_file(dist/windows/README.txt.in ${CMAKE_BINARY_DIR}/generated/README.txt @ONLY
    NEWLINE_STYLE CRLF)
configure_file(LICENSE ${CMAKE_BINARY_DIR}/generated/LICENSE.txt NEWLINE_STYLE CRLF)
configure_file(data/font/LICENSE ${CMAKE_BINARY_DIR}/generated/font-LICENSE.txt
    NEWLINE_STYLE CRLF)
add_custom_target(windows_folder
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${QV_WINDOWS_FOLDER}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QV_WINDOWS_FOLDER}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:quorvelindaxtor> ${QV_WINDOWS_FOLDER}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${QV_DATA_DIR} ${QV_WINDOWS_FOLDER}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/generated/README.txt
        ${CMAKE_BINARY_DIR}/generated/LICENSE.txt ${CMAKE_BINARY_DIR}/generated/font-LICENSE.txt
        ${QV_WINDOWS_FOLDER}
    DEPENDS quorvelindaxtor data
    COMMENT "Gathering the player's folder")
