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

# The exporter's HTTP server and configuration file: Debian's cpp-httplib (a shared
# library whose compile definitions come with its pkg-config file) and yaml-cpp.
find_package(PkgConfig REQUIRED)
pkg_check_modules(CppHttplib REQUIRED IMPORTED_TARGET cpp-httplib)
find_package(yaml-cpp REQUIRED)
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
