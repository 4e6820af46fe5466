# The skin tests read the built archive and leave a contact sheet of it in the build folder.
add_dependencies(${target} tessaro_skin)
target_compile_definitions(${target} PRIVATE
  TESSARO_SKIN_ARCHIVE="${TESSARO_SKIN_ARCHIVE}"
  TESSARO_CONTACT_SHEET="${PROJECT_BINARY_DIR}/skin-contact-sheet.png")
