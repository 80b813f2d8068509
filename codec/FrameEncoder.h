// SPDX-License-Identifier: BSD-3-Clause
// The encoder as the rest of the program holds it: one interface over whichever build of the
// codec this processor runs best. Every build writes the same bytes.
#pragma once

#include "CodecTypes.h"

#include <cstdint>
#include <memory>

namespace veltrane {

class IFrameEncoder {
  public:
    virtual ~IFrameEncoder() = default;
    // Consumes 240 samples and writes one 30-byte frame, as CSpeechEncoder::EncodeFrame.
    virtual void EncodeFrame(const std::int16_t* pnSamples, EncodedFrame* pFrame) = 0;
    // The pre-filtered speech history, as CSpeechEncoder::Signal.
    virtual const double* Signal() const = 0;
};

// The builds of the encoder: kPortable runs on any processor; kX86_64_v3 needs the x86-64-v3
// instructions (AVX2 among them) and exists only where the compiler made it.
enum class CodecBuild { kPortable, kX86_64_v3 };

// Whether this program holds the build and this processor can run it.
bool CodecBuildRuns(CodecBuild build);

// The build that new encoders use: the fastest that runs here, unless the environment variable
// VELTRANE_CODEC_BUILD is "portable".
CodecBuild ChosenCodecBuild();

// "portable" or "x86-64-v3".
const char* CodecBuildName(CodecBuild build);

// A new encoder of the given build, which must run here.
std::unique_ptr<IFrameEncoder> MakeFrameEncoder(CodecBuild build = ChosenCodecBuild());

} // namespace veltrane
