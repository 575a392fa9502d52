# Tests of the login window, the start-up module and the pieces under the windows.
list(APPEND FORMS_TEST_SOURCES
  LoginLayoutTest.cpp
  LoginLogOnTest.cpp
  LoginMsgBoxTest.cpp
  LoginShellTest.cpp
)
