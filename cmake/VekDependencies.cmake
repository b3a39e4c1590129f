# Third-party dependencies. libssh2 and nlohmann/json come only from the folder that
# scripts/bootstrap fills; there is deliberately no fallback to a system copy.

find_package(OpenSSL 3 REQUIRED)
find_package(ZLIB REQUIRED)
find_package(Threads REQUIRED)

set(VEK_LIBSSH2_PREFIX "${VEK_DEPS_DIR}/libssh2")
find_library(VEK_LIBSSH2_LIBRARY NAMES libssh2.a
             PATHS "${VEK_LIBSSH2_PREFIX}/lib" "${VEK_LIBSSH2_PREFIX}/lib64"
             NO_DEFAULT_PATH NO_CACHE)
if(NOT VEK_LIBSSH2_LIBRARY OR NOT EXISTS "${VEK_LIBSSH2_PREFIX}/include/libssh2.h")
    message(FATAL_ERROR "The patched libssh2 was not found under ${VEK_LIBSSH2_PREFIX}. "
                        "Run scripts/bootstrap first.")
endif()
add_library(vek::libssh2 STATIC IMPORTED GLOBAL)
set_target_properties(vek::libssh2 PROPERTIES
    IMPORTED_LOCATION "${VEK_LIBSSH2_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${VEK_LIBSSH2_PREFIX}/include"
    INTERFACE_LINK_LIBRARIES "OpenSSL::SSL;OpenSSL::Crypto;ZLIB::ZLIB;Threads::Threads")

set(VEK_NLOHMANN_INCLUDE "${VEK_DEPS_DIR}/nlohmann/usr/include")
if(NOT EXISTS "${VEK_NLOHMANN_INCLUDE}/nlohmann/json.hpp")
    message(FATAL_ERROR "nlohmann/json was not found under ${VEK_NLOHMANN_INCLUDE}. "
                        "Run scripts/bootstrap first.")
endif()
add_library(vek::nlohmann_json INTERFACE IMPORTED GLOBAL)
# SYSTEM keeps the library's own warnings out of our -Werror build.
set_target_properties(vek::nlohmann_json PROPERTIES
    INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${VEK_NLOHMANN_INCLUDE}"
    INTERFACE_INCLUDE_DIRECTORIES "${VEK_NLOHMANN_INCLUDE}")

if(VEK_BUILD_TESTS)
    find_package(GTest REQUIRED)
    include(GoogleTest)
endif()
if(VEK_BUILD_BENCHMARKS)
    find_package(benchmark REQUIRED)
endif()
