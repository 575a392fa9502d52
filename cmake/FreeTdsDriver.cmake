# The FreeTDS ODBC driver is used by its full path, so nobody has to register it in odbcinst.ini.
# On Windows the system's SQL Server driver is named instead (see db/OdbcConnectionString.cpp).
if(NOT WIN32)
  find_file(FREETDS_ODBC_DRIVER libtdsodbc.so
    PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/odbc /usr/lib/odbc /usr/local/lib /usr/lib64 /usr/lib
    NO_DEFAULT_PATH)
  if(NOT FREETDS_ODBC_DRIVER)
    message(FATAL_ERROR "libtdsodbc.so not found: install the FreeTDS ODBC driver (Debian: tdsodbc)")
  endif()
  message(STATUS "FreeTDS ODBC driver: ${FREETDS_ODBC_DRIVER}")
endif()
