# Sources of the login window (paths relative to forms/).
list(APPEND UI_SOURCES
  login/frmLogin.cpp
  login/PasswordStarStyle.cpp
  login/Rgb32Picture.cpp
)
