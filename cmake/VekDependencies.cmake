# Third-party dependencies. libssh2 and nlohmann/json come only from the folder that
# scripts/bootstrap fills, through the package configurations they install
# themselves; NO_DEFAULT_PATH keeps a system copy from ever being picked up.

find_package(OpenSSL 3 REQUIRED)
find_package(ZLIB REQUIRED)
find_package(Threads REQUIRED)

find_package(libssh2 1.11.1 EXACT CONFIG
             PATHS "${VEK_DEPS_DIR}/libssh2" NO_DEFAULT_PATH)
if(NOT TARGET libssh2::libssh2_static OR NOT EXISTS "${VEK_DEPS_DIR}/libssh2/include/event_handlers.h")
    message(FATAL_ERROR "The patched libssh2 1.11.1 was not found under ${VEK_DEPS_DIR}/libssh2. "
                        "Run scripts/bootstrap first.")
endif()
find_package(nlohmann_json 3.11.3 EXACT CONFIG
             PATHS "${VEK_DEPS_DIR}/nlohmann/usr" NO_DEFAULT_PATH)
if(NOT TARGET nlohmann_json::nlohmann_json)
    message(FATAL_ERROR "nlohmann/json 3.11.3 was not found under ${VEK_DEPS_DIR}/nlohmann. "
                        "Run scripts/bootstrap first.")
endif()

# OpenSSL's libcrypto and zlib, shared or linked in, chosen per executable: a target
# whose VEK_STATIC_CRYPTO property is true links the static archives (Debian's
# libssl-dev and zlib1g-dev ship them), every other target the shared libraries.
# The probe starts once per test, and the dynamic loader's relocation of the shared
# libcrypto alone is about a sixth of a test's CPU (benchmarks/compare measures both).
# libssh2's exported link interface names the shared libraries, so it is replaced by
# the same choice.
option(VEK_STATIC_CRYPTO "Link libcrypto and zlib statically into the probe vek" ON)
find_library(VEK_LIBCRYPTO_ARCHIVE libcrypto.a)
find_library(VEK_LIBZ_ARCHIVE libz.a)
if(VEK_STATIC_CRYPTO AND (NOT VEK_LIBCRYPTO_ARCHIVE OR NOT VEK_LIBZ_ARCHIVE))
    message(FATAL_ERROR "VEK_STATIC_CRYPTO needs libcrypto.a and libz.a (libssl-dev, zlib1g-dev); "
                        "run scripts/bootstrap or configure with -DVEK_STATIC_CRYPTO=OFF.")
endif()
set(vek_static_crypto "$<BOOL:$<TARGET_PROPERTY:VEK_STATIC_CRYPTO>>")
add_library(vek_libcrypto INTERFACE)
add_library(vek_libz INTERFACE)
if(VEK_STATIC_CRYPTO)
    target_link_libraries(vek_libcrypto INTERFACE
        "$<${vek_static_crypto}:${VEK_LIBCRYPTO_ARCHIVE};${CMAKE_DL_LIBS};Threads::Threads>"
        "$<$<NOT:${vek_static_crypto}>:OpenSSL::Crypto>")
    target_link_libraries(vek_libz INTERFACE
        "$<IF:${vek_static_crypto},${VEK_LIBZ_ARCHIVE},ZLIB::ZLIB>")
else()
    target_link_libraries(vek_libcrypto INTERFACE OpenSSL::Crypto)
    target_link_libraries(vek_libz INTERFACE ZLIB::ZLIB)
endif()
set_property(TARGET libssh2::libssh2_static PROPERTY INTERFACE_LINK_LIBRARIES
             "$<LINK_ONLY:vek_libcrypto>" "$<LINK_ONLY:vek_libz>")

# The exporter's HTTP server and configuration file: Debian's cpp-httplib (a shared
# library whose compile definitions come with its pkg-config file) and yaml-cpp.
find_package(PkgConfig REQUIRED)
pkg_check_modules(CppHttplib REQUIRED IMPORTED_TARGET cpp-httplib)
find_package(yaml-cpp REQUIRED)
# The exporter's basic authentication checks bcrypt hashes with libcrypt's crypt_r.
pkg_check_modules(Crypt REQUIRED IMPORTED_TARGET libcrypt)
# The regular expressions over captured output, in the exporter and the plugin:
# Debian's RE2, linear in the length of the text.
pkg_check_modules(Re2 REQUIRED IMPORTED_TARGET re2)

if(VEK_BUILD_TESTS)
    find_package(GTest REQUIRED)
    include(GoogleTest)
endif()
if(VEK_BUILD_BENCHMARKS)
    find_package(benchmark REQUIRED)
endif()
