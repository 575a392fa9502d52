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

# Files that Debian keeps compressed (manual pages, changelogs) are gzipped without name or time,
# so that two builds of the same sources give the same bytes.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(packaging_out ${CMAKE_CURRENT_BINARY_DIR}/packaging)
# install_gzipped(SOURCE DESTINATION NAME): installs SOURCE gzipped as DESTINATION/NAME.gz.
function(install_gzipped source destination name)
  set(compressed ${packaging_out}/gz/${name}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}/gz
    COMMAND ${GZIP_PROGRAM} -9nc ${source} > ${compressed}
    DEPENDS ${source})
  string(MAKE_C_IDENTIFIER ${name} target)
  add_custom_target(gzip_${target} ALL DEPENDS ${compressed})
  install(FILES ${compressed} DESTINATION ${destination})
endfunction()

# Manual pages, their header carrying the version and the release date.
foreach(page taskclear taskstore)
  if(TARGET ${page})
    configure_file(packaging/${page}.1 ${packaging_out}/${page}.1 @ONLY)
    install_gzipped(${packaging_out}/${page}.1 ${CMAKE_INSTALL_MANDIR}/man1 ${page}.1)
  endif()
endforeach()

# AppStream metadata for software centres; its id is the maintainers' domain reversed, and it
# lists every release of the changelog.
function(configure_metainfo template out_var)
  string(REPLACE "." ";" domain_parts ${TASKCLEAR_DOMAIN})
  list(REVERSE domain_parts)
  list(JOIN domain_parts "." TASKCLEAR_APPSTREAM_ID)
  string(APPEND TASKCLEAR_APPSTREAM_ID ".taskclear")
  set(lines "")
  foreach(release IN LISTS TASKCLEAR_RELEASES)
    string(REGEX REPLACE "(.*)=(.*)" "    <release version=\"\\1\" date=\"\\2\"/>" line ${release})
    list(APPEND lines "${line}")
  endforeach()
  list(JOIN lines "\n" TASKCLEAR_APPSTREAM_RELEASES)
  set(metainfo ${packaging_out}/${TASKCLEAR_APPSTREAM_ID}.metainfo.xml)
  configure_file(${template} ${metainfo} @ONLY)
  set(${out_var} ${metainfo} PARENT_SCOPE)
endfunction()
if(TARGET taskclear)
  configure_metainfo(packaging/taskclear.metainfo.xml.in metainfo)
  install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# Debian's documentation of the package: the copyright, the upstream changelog, and a Debian
# changelog with an entry for each release of the upstream one.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
function(configure_debian_changelog template out)
  set(package taskclear)
  set(distribution bookworm)
  set(maintainer ${TASKCLEAR_CONTACT})
  set(entries "")
  foreach(release IN LISTS TASKCLEAR_RELEASES)
    string(REGEX REPLACE "=.*" "" upstream_version ${release})
    string(REGEX REPLACE ".*=" "" day ${release})
    set(version ${upstream_version}-${CPACK_DEBIAN_PACKAGE_RELEASE})
    execute_process(COMMAND date -u -R -d "${day} 00:00" OUTPUT_VARIABLE date
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    file(READ ${template} entry)
    string(CONFIGURE "${entry}" entry @ONLY)
    string(APPEND entries "${entry}")
  endforeach()
  string(STRIP "${entries}" entries)
  file(CONFIGURE OUTPUT ${out} CONTENT "${entries}\n" @ONLY)
endfunction()
configure_debian_changelog(packaging/debian/changelog.in ${packaging_out}/debian/changelog)
install_gzipped(${packaging_out}/debian/changelog ${CMAKE_INSTALL_DOCDIR} changelog.Debian)
install_gzipped(${PROJECT_SOURCE_DIR}/CHANGELOG.md ${CMAKE_INSTALL_DOCDIR} changelog)
install(FILES packaging/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES packaging/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME taskclear)

# The Debian package. Shared-library dependencies come from dpkg-shlibdeps; what the programs load
# by path or by name at run time is listed by hand: the FreeTDS driver (whose path is compiled in)
# and the Song-style font that stands in for 宋体.
set(CPACK_PACKAGE_NAME taskclear)
set(CPACK_PACKAGE_VENDOR ${TASKCLEAR_PUBLISHER})
set(CPACK_PACKAGE_CONTACT ${TASKCLEAR_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Lists and clears the background tasks of a Q6 system database")
# One string, its lines within Debian's 80 columns (a list would reach the control file with ';').
set(CPACK_PACKAGE_DESCRIPTION "\
A desktop maintenance tool, in simplified Chinese, that logs on to a SQL Server
over ODBC, lists the task log of the Q6 system database and clears abnormal
tasks in one transaction. Includes taskstore, a loopback SQL Server stand-in
for demonstrations and training.")
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
