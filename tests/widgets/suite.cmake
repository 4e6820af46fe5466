# The skin tests leave a contact sheet of the archive in the build folder.
target_compile_definitions(${target} PRIVATE TESSARO_CONTACT_SHEET="${PROJECT_BINARY_DIR}/skin-contact-sheet.png")
