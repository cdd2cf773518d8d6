# The game's icon, drawn by the asset generator: the desktop's PNG files, a
# Windows icon file, and the window's icon compiled into the SDL backend.

# The application's identifier, shared by the desktop entry, the metainfo,
# the icon's name and the window's class.
set(QV_APP_ID "org.quorvelindaxtor.Quorvelindaxtor")

# The window names itself after the desktop entry.
target_compile_definitions(qv_platform_sdl PRIVATE QV_APP_ID="${QV_APP_ID}")

# --- icons, drawn by the asset generator --------------------------------------
set(QV_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(QV_ICON_FILES ${QV_ICON_DIR}/window_icon.inc ${QV_ICON_DIR}/${QV_APP_ID}.ico)
foreach(size 16 32 48 64 128 256)
  list(APPEND QV_ICON_FILES ${QV_ICON_DIR}/hicolor/${size}x${size}/apps/${QV_APP_ID}.png)
endforeach()
add_custom_command(
  OUTPUT ${QV_ICON_FILES}
  COMMAND ${QV_ASSETGEN_COMMAND} --icons ${QV_ICON_DIR} ${QV_APP_ID}
  DEPENDS ${QV_ASSETGEN_COMMAND}
  COMMENT "Drawing the icons")
add_custom_target(icons ALL DEPENDS ${QV_ICON_FILES})
add_dependencies(icons host_tools)

# The SDL backend gives the window the same icon, compiled in.
target_sources(qv_platform_sdl PRIVATE src/platform/sdl/sdl_icon.cpp)
target_include_directories(qv_platform_sdl PRIVATE ${QV_ICON_DIR})
add_dependencies(qv_platform_sdl icons)

