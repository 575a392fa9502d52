# What a release says about itself wherever it is shipped: the product and its publisher, the
# copyright line, the maintainers' mail domain, and the releases with their dates. The version is
# the project's own; the dates come from CHANGELOG.md, the one place where a release is dated, so a
# version without its changelog entry fails here rather than shipping undated.
set(TASKCLEAR_PRODUCT_NAME "直接清除异常任务")
set(TASKCLEAR_PUBLISHER "Q6产品支持部")
set(TASKCLEAR_PUBLISHER_LATIN "Q6 product support")
# No public domain is registered for the project yet: the mail address, the AppStream id and the
# published screenshots all hang off this one name.
set(TASKCLEAR_DOMAIN "example.invalid")
set(TASKCLEAR_CONTACT "${TASKCLEAR_PUBLISHER_LATIN} <support@${TASKCLEAR_DOMAIN}>")
set(TASKCLEAR_HOMEPAGE "https://${TASKCLEAR_DOMAIN}/taskclear")

set(changelog ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${changelog})
# "## [1.2.3] - 2026-12-08", newest first as Keep a Changelog orders them.
file(STRINGS ${changelog} headings REGEX "^## \\[[0-9]+\\.[0-9]+\\.[0-9]+\\] - [0-9]+-[0-9]+-[0-9]+$")
set(TASKCLEAR_RELEASES "")
foreach(heading IN LISTS headings)
  string(REGEX REPLACE "^## \\[([0-9.]+)\\] - ([0-9-]+)$" "\\1=\\2" release "${heading}")
  list(APPEND TASKCLEAR_RELEASES ${release})
endforeach()
# TASKCLEAR_RELEASES: "version=date" entries, newest first.
string(REPLACE "." "\\." version_pattern ${PROJECT_VERSION})
list(FILTER headings INCLUDE REGEX "\\[${version_pattern}\\]")
if(NOT headings)
  message(FATAL_ERROR "CHANGELOG.md has no entry '## [${PROJECT_VERSION}] - YYYY-MM-DD' for this version")
endif()
string(REGEX MATCH "[0-9]+-[0-9]+-[0-9]+$" TASKCLEAR_RELEASE_DATE "${headings}")
string(SUBSTRING ${TASKCLEAR_RELEASE_DATE} 0 4 release_year)
set(TASKCLEAR_COPYRIGHT "© ${release_year} ${TASKCLEAR_PUBLISHER}")
