# The Debian package ssh-vek: `cpack -G DEB` in a build folder, after the build.
# It holds what `cmake --install` installs: bin/vek, bin/check_vek, bin/vek-exporter
# and their man pages; and, as Debian's own Prometheus exporters, the exporter's
# service (cmake/debian): the unit, /etc/default/vek-exporter with its ARGS, the
# configuration /etc/vek-exporter/config.yml and the maintainer scripts that make
# its system user and enable it. Those are the package's alone: `cmake --install`
# into /usr/local has no business in /etc or in systemd's unit folder.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ssh-vek)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "SSH VEK maintainers <root@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Native SSH monitoring probe and its Prometheus exporter")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# dpkg-shlibdeps derives Depends from the shared libraries the binaries really link
# (libcrypto, zlib, libc, ...), so the list cannot go stale when the link line
# changes; what is linked in statically is named by Static-Built-Using (below).
# adduser makes the exporter's system user in postinst.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS adduser)
set(VEK_DEBIAN_DIR "${CMAKE_SOURCE_DIR}/cmake/debian")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${VEK_DEBIAN_DIR}/conffiles;${VEK_DEBIAN_DIR}/postinst;${VEK_DEBIAN_DIR}/prerm;${VEK_DEBIAN_DIR}/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Debian ships man pages gzip'ed, while `cmake --install` keeps the plain vek.1:
# this runs on the staged files after the install step, before the package is made,
# and adds the service's files there.
set(VEK_STAGE_SCRIPT "${CMAKE_BINARY_DIR}/VekStagePackage.cmake")
file(WRITE "${VEK_STAGE_SCRIPT}" "set(debian \"${VEK_DEBIAN_DIR}\")\n" [[
set(stage "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
# file(INSTALL) would put DESTDIR, which is the stage itself here, in front again.
set(ENV{DESTDIR} "")
set(mode FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(INSTALL "${debian}/vek-exporter.service" DESTINATION "${stage}/lib/systemd/system" ${mode})
file(INSTALL "${debian}/vek-exporter.default" DESTINATION "${stage}/etc/default"
     RENAME vek-exporter ${mode})
file(INSTALL "${debian}/config.yml" DESTINATION "${stage}/etc/vek-exporter" ${mode})
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/man*/*.[1-9]")
foreach(page IN LISTS pages)
    # -n leaves the name and time out of the header, so equal pages give equal bytes.
    execute_process(COMMAND gzip -9nf "${page}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
]])
set(CPACK_PRE_BUILD_SCRIPTS "${VEK_STAGE_SCRIPT}")

# What the package carries linked in, for whoever has to rebuild it: the field
# Static-Built-Using names the Debian source packages and versions (dpkg knows the
# field, CPack cannot write it, so the built package is opened and closed again
# with dpkg-deb). libssh2 is always linked in; libcrypto and zlib with
# VEK_STATIC_CRYPTO, and then the description says that an OpenSSL update needs a
# rebuild, as apt cannot bring one to a copy inside the probe.
file(READ "${VEK_DEPS_DIR}/libssh2/DEBIAN_REVISION" libssh2_revision)
string(STRIP "${libssh2_revision}" libssh2_revision)
set(CPACK_VEK_STATIC_SOURCES "libssh2 (= ${libssh2_revision})")
set(CPACK_VEK_STATIC_ARCHIVES "")
if(VEK_STATIC_CRYPTO)
    set(CPACK_VEK_STATIC_ARCHIVES "${VEK_LIBCRYPTO_ARCHIVE};${VEK_LIBZ_ARCHIVE}")
    string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
           "The probe vek has OpenSSL's libcrypto and zlib linked in, for less CPU per\n"
           "test: after every OpenSSL or zlib security update, rebuild and reinstall this\n"
           "package. Static-Built-Using names the versions it holds.")
endif()
set(VEK_STATIC_BUILT_USING "${CMAKE_BINARY_DIR}/VekStaticBuiltUsing.cmake")
file(WRITE "${VEK_STATIC_BUILT_USING}" [==[
set(sources "${CPACK_VEK_STATIC_SOURCES}")
foreach(archive IN LISTS CPACK_VEK_STATIC_ARCHIVES)
    execute_process(COMMAND dpkg-query --search "${archive}" OUTPUT_VARIABLE owner
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX REPLACE ": .*" "" owner "${owner}")
    execute_process(COMMAND dpkg-query --show [[--showformat=${source:Package} (= ${source:Version})]]
                            "${owner}"
                    OUTPUT_VARIABLE source COMMAND_ERROR_IS_FATAL ANY)
    list(APPEND sources "${source}")
endforeach()
list(JOIN sources ", " field)
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
    set(tree "${deb}.tree")
    file(REMOVE_RECURSE "${tree}")
    execute_process(COMMAND dpkg-deb --raw-extract "${deb}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
    file(READ "${tree}/DEBIAN/control" control)
    string(REPLACE "\nDescription:" "\nStatic-Built-Using: ${field}\nDescription:" control "${control}")
    file(WRITE "${tree}/DEBIAN/control" "${control}")
    execute_process(COMMAND dpkg-deb --root-owner-group --build "${tree}" "${deb}"
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${tree}")
endforeach()
]==])
set(CPACK_POST_BUILD_SCRIPTS "${VEK_STATIC_BUILT_USING}")

include(CPack)
