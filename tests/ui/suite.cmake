# The list pane and the loading window leave their screenshots in the build folder.
target_compile_definitions(${target} PRIVATE TESSARO_SCREENSHOT_DIR="${PROJECT_BINARY_DIR}")
