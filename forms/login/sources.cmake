# Sources of the login window (paths relative to forms/).
