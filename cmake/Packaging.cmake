# Debian package: `cpack -G DEB` in a release build directory.
include(GNUInstallDirs)

# The package's own history; the entry on top must name this version.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^complexops \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog has no entry for version ${PROJECT_VERSION} on top")
endif()

# The packaging lives in this tree, so the package is Debian-native: its
# version has no Debian revision and its changelog is changelog.gz.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/complexops)
set(changelog ${PROJECT_BINARY_DIR}/packaging/changelog)
add_custom_command(OUTPUT ${changelog}.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/changelog ${changelog}
  COMMAND gzip -9nf ${changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog VERBATIM)
add_custom_target(package_changelog DEPENDS ${changelog}.gz)
add_dependencies(complexops package_changelog)
install(FILES packaging/copyright ${changelog}.gz DESTINATION ${doc_dir})

# Directories in the package are 0755 whatever the umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_PACKAGE_NAME complexops)
set(CPACK_PACKAGE_VENDOR "The complexops developers")
set(CPACK_PACKAGE_CONTACT "The complexops developers <complexops@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "check the arithmetic of a complex-number type")
set(CPACK_PACKAGE_DESCRIPTION "A one-window desktop tool: type the real and imaginary parts of two
operands, pick one of fifteen operators and execute it; arithmetic and
comparisons write one line to a log, in-place operators change the first
operand. Results are the same to the bit on every machine.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/complexops/complexops)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The toolkit loads its window-system plugins at run time, where shlibdeps
# cannot see them; without one no window opens.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
include(CPack)
