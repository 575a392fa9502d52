# Tests of the main window: grid, toolbar, clearing.
list(APPEND FORMS_TEST_SOURCES
  ClearingTest.cpp
  EndToEndTest.cpp
  GridColumnWidthTest.cpp
  GridTaskGridTest.cpp
  MainWindowTest.cpp
  ToolbarTest.cpp
)
