# Sources of the main window (paths relative to forms/).
list(APPEND FORMS_SOURCES
  main/ColumnWidth.cpp
  main/CommandToolBar.cpp
  main/DeferredIconEngine.cpp
  main/ImageList.cpp
  main/ProcessPicture.cpp
  main/SystemDate.cpp
  main/TaskGrid.cpp
  main/TaskGridStyle.cpp
  main/TaskTableModel.cpp
  main/ToolBarKeyboard.cpp
  main/frmMain.cpp
  main/frmMainCommands.cpp
  main/frmMainTaskList.cpp
  ${PROJECT_SOURCE_DIR}/resources/main/mainwindow.qrc
)
