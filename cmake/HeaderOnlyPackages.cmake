# CLI11 and nlohmann-json, the header-only Debian packages libcli11-dev and
# nlohmann-json3-dev (scripts/install-deps.sh installs them), as the target
# kestrovane_cli_packages.
#
# A cross build must not see the host's /usr/include, whose C library headers
# would shadow mingw's; so the two packages' header folders are copied into a
# folder of the build at configure time, and only that folder is searched.
if(TARGET kestrovane_cli_packages)
    return()
endif()

# The host's headers, also when the toolchain confines searches to its own root.
find_path(KESTROVANE_CLI11_INCLUDE CLI/CLI.hpp
    PATHS /usr/include /usr/local/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
find_path(KESTROVANE_JSON_INCLUDE nlohmann/json.hpp
    PATHS /usr/include /usr/local/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
if(NOT KESTROVANE_CLI11_INCLUDE OR NOT KESTROVANE_JSON_INCLUDE)
    message(FATAL_ERROR
        "kestrovane-cli needs CLI11 and nlohmann-json (Debian: libcli11-dev nlohmann-json3-dev); "
        "run scripts/install-deps.sh.")
endif()

set(kestrovane_packages_include ${CMAKE_BINARY_DIR}/packages/include)
file(COPY ${KESTROVANE_CLI11_INCLUDE}/CLI DESTINATION ${kestrovane_packages_include})
file(COPY ${KESTROVANE_JSON_INCLUDE}/nlohmann DESTINATION ${kestrovane_packages_include})

add_library(kestrovane_cli_packages INTERFACE)
# SYSTEM: the packages' own warnings are theirs.
target_include_directories(kestrovane_cli_packages SYSTEM INTERFACE ${kestrovane_packages_include})
