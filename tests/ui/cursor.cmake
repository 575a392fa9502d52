# Tests of the busy pointer around the windows' database calls.
list(APPEND UI_TEST_SOURCES
  WaitCursorTest.cpp
)
