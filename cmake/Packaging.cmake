# The Debian package is built from debian/ (dpkg-buildpackage -b); its
# changelog's top entry must name this version.
file(STRINGS ${PROJECT_SOURCE_DIR}/debian/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^complexops \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "debian/changelog has no entry for version ${PROJECT_VERSION} on top")
endif()
