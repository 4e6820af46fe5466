# Every journey leaves its screenshots in build/journeys/<journey>/; after the last journey of a run (one
# or all of them) the contact sheet puts them together in build/journeys/sheet.png.
set(suite_properties FIXTURES_REQUIRED journeys_sheet)
add_test(NAME journeys.ContactSheet.Montage
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/journeys/contact-sheet ${PROJECT_BINARY_DIR}/journeys)
set_tests_properties(journeys.ContactSheet.Montage PROPERTIES
                     FIXTURES_CLEANUP journeys_sheet LABELS qt RESOURCE_LOCK display TIMEOUT 300)
