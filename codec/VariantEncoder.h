// SPDX-License-Identifier: BSD-3-Clause
// The encoder of one build of the codec behind IFrameEncoder; each build defines this function
// in its own namespace, and MakeFrameEncoder calls the one it picks.
#pragma once

#include "codec/CodecVariant.h"
#include "codec/FrameEncoder.h"

#include <memory>

namespace veltrane::inline VELTRANE_CODEC_VARIANT {

std::unique_ptr<IFrameEncoder> MakeVariantEncoder();
std::unique_ptr<IBatchEncoder> MakeVariantBatchEncoder();

} // namespace veltrane::inline VELTRANE_CODEC_VARIANT
