# The Debian package ssh-vek: `cpack -G DEB` in a build folder, after the build.
# It holds what `cmake --install` installs: bin/vek, bin/check_vek, bin/vek-exporter
# and their man pages.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ssh-vek)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "SSH VEK maintainers <root@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Native SSH monitoring probe and its Prometheus exporter")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# dpkg-shlibdeps derives Depends from the libraries the binary really links
# (libcrypto, zlib, libc), so the list cannot go stale when the link line changes.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Debian ships man pages gzip'ed, while `cmake --install` keeps the plain vek.1:
# this runs on the staged files after the install step, before the package is made.
set(VEK_GZIP_MANPAGES "${CMAKE_BINARY_DIR}/VekGzipManPages.cmake")
file(WRITE "${VEK_GZIP_MANPAGES}" [[
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/man*/*.[1-9]")
foreach(page IN LISTS pages)
    # -n leaves the name and time out of the header, so equal pages give equal bytes.
    execute_process(COMMAND gzip -9nf "${page}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
]])
set(CPACK_PRE_BUILD_SCRIPTS "${VEK_GZIP_MANPAGES}")

include(CPack)
