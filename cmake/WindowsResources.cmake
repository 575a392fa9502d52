# The Windows program's own description of itself: its resource script (icon, version resource,
# manifest) and the release facts its setup program shows, all from the project's version and
# cmake/ReleaseInfo.cmake.
# configure_windows_resources(DIR RC_VAR): writes them into DIR and names the resource script.
function(configure_windows_resources dir rc_var)
  set(TASKCLEAR_ICON ${PROJECT_SOURCE_DIR}/packaging/icons/taskclear.ico)
  set(TASKCLEAR_MANIFEST ${dir}/taskclear.exe.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/taskclear.exe.manifest.in ${TASKCLEAR_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/app/taskclear.rc.in ${dir}/taskclear.rc @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/release.nsh.in ${dir}/release.nsh @ONLY)
  # The resource compiler reads the icon and the manifest by name: a change to either rebuilds it.
  set_source_files_properties(${dir}/taskclear.rc PROPERTIES
                              OBJECT_DEPENDS "${TASKCLEAR_ICON};${TASKCLEAR_MANIFEST}")
  set(${rc_var} ${dir}/taskclear.rc PARENT_SCOPE)
endfunction()
