# SPDX-License-Identifier: BSD-3-Clause
# The strict warning set as an INTERFACE target that every target of ours links.
option(VELTRANE_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

add_library(veltrane_warnings INTERFACE)
target_compile_options(veltrane_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion
  $<$<BOOL:${VELTRANE_WARNINGS_AS_ERRORS}>:-Werror>
)
