# SPDX-License-Identifier: BSD-3-Clause
# One version number, the project's, for every program: a generated header and an INTERFACE
# target that puts it on the include path.
configure_file(${CMAKE_CURRENT_LIST_DIR}/Version.h.in
               ${CMAKE_BINARY_DIR}/generated/veltrane/Version.h @ONLY)
add_library(veltrane_version INTERFACE)
target_include_directories(veltrane_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
