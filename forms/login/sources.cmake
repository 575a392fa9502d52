# Sources of the login window (paths relative to forms/).
list(APPEND UI_SOURCES
  login/PasswordStarStyle.cpp
)
