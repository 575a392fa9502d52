# Tests of the busy pointer around the windows' database calls.
list(APPEND FORMS_TEST_SOURCES
  WaitCursorTest.cpp
)
