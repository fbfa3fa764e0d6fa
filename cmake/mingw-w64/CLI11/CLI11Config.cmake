# CLI11 for the Windows cross build: the build machine's headers only.
include(${CMAKE_CURRENT_LIST_DIR}/../header_only_package.cmake)
zef_header_only_package(CLI11::CLI11 CLI)
