# Install layout and the Debian package. `cmake --install` puts both programs in bin, and the
# desktop entry, the icon at every drawn size and the manual pages where desktops and man find them.
include(GNUInstallDirs)

if(TARGET taskstore)
  install(TARGETS taskstore RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

if(TARGET taskclear)
  install(FILES packaging/taskclear.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  set(icon_root ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES packaging/icons/taskclear.svg DESTINATION ${icon_root}/scalable/apps)
  foreach(size 24 32 48 64 128 256)
    install(FILES resources/main/cross-${size}.png DESTINATION ${icon_root}/${size}x${size}/apps
            RENAME taskclear.png)
  endforeach()
  # The 16-pixel size is the toolbar's own hand-made picture, with its silver mask made transparent.
  find_program(IMAGEMAGICK_CONVERT convert)
  if(IMAGEMAGICK_CONVERT)
    set(small_icon ${CMAKE_CURRENT_BINARY_DIR}/packaging/taskclear-16.png)
    add_custom_command(OUTPUT ${small_icon}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
      COMMAND ${IMAGEMAGICK_CONVERT} ${CMAKE_CURRENT_SOURCE_DIR}/resources/main/delete.xpm -transparent "#C0C0C0"
              -define png:exclude-chunks=date,time -strip PNG32:${small_icon}
      DEPENDS resources/main/delete.xpm VERBATIM)
    add_custom_target(taskclear_small_icon ALL DEPENDS ${small_icon})
    install(FILES ${small_icon} DESTINATION ${icon_root}/16x16/apps RENAME taskclear.png)
  endif()
endif()

# Manual pages, compressed as Debian keeps them.
find_program(GZIP_PROGRAM gzip)
foreach(page taskclear taskstore)
  if(NOT TARGET ${page})
    continue()
  endif()
  set(source ${CMAKE_CURRENT_SOURCE_DIR}/packaging/${page}.1)
  if(GZIP_PROGRAM)
    set(compressed ${CMAKE_CURRENT_BINARY_DIR}/packaging/${page}.1.gz)
    add_custom_command(OUTPUT ${compressed}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
      COMMAND ${GZIP_PROGRAM} -9nc ${source} > ${compressed}
      DEPENDS ${source})
    add_custom_target(${page}_manual ALL DEPENDS ${compressed})
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    install(FILES ${source} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()

# The Debian package. Shared-library dependencies come from dpkg-shlibdeps; what the programs load
# by path or by name at run time is listed by hand: the FreeTDS driver (whose path is compiled in)
# and the Song-style font that stands in for 宋体.
set(CPACK_PACKAGE_NAME taskclear)
set(CPACK_PACKAGE_VENDOR "Q6 product support")
set(CPACK_PACKAGE_CONTACT "Q6 product support <support@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Lists and clears the background tasks of a Q6 system database")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop maintenance tool that logs on to a SQL Server over ODBC, lists the task log of the\n"
    "Q6 system database and clears abnormal tasks. Includes taskstore, a loopback SQL Server\n"
    "stand-in for demonstrations and training.")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "tdsodbc, fonts-arphic-uming")
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND DEFINED FREETDS_ODBC_DRIVER)
  # The driver path is compiled in; a package must name the place where tdsodbc puts it.
  set(debian_driver /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/odbc/libtdsodbc.so)
  if(NOT FREETDS_ODBC_DRIVER STREQUAL debian_driver)
    message(WARNING "FreeTDS driver at ${FREETDS_ODBC_DRIVER}, not ${debian_driver}: a Debian package "
                    "built from this tree will not find the driver on other machines.")
  endif()
endif()
include(CPack)
