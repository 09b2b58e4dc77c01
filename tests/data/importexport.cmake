# The CSV import: the widget-free reading steps, and the import into a data view with
# its dialogs. The case files beside this file are named after the case they cover.
concorda_add_test(tst_csvtable
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_csvtable.cpp
    LIBS concorda_data)
concorda_add_test(tst_importexport
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_importexport.cpp
    LIBS concorda_data)
