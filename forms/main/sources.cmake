# Sources of the main window (paths relative to forms/).
