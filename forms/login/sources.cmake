# Sources of the login window (paths relative to forms/).
list(APPEND FORMS_SOURCES
  login/frmLogin.cpp
  login/PasswordStarStyle.cpp
  login/Rgb32Picture.cpp
)
