// SPDX-License-Identifier: BSD-3-Clause
// The codec is compiled once for any x86-64 (or other) processor and, on x86-64 with GCC, once
// more for x86-64-v3; both builds link into one program, each in its own inline namespace, and
// the encoder factory picks one at run time. Both give the same bytes: the builds differ only in
// the instructions that carry out the same operations in the same order.
#pragma once

#ifndef VELTRANE_CODEC_VARIANT
#define VELTRANE_CODEC_VARIANT portable
#endif
