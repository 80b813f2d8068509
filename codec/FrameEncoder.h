// SPDX-License-Identifier: BSD-3-Clause
// The encoder as the rest of the program holds it: one interface over whichever build of the
// codec this processor runs best. Every build writes the same bytes.
#pragma once

#include "CodecTypes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace veltrane {

class IFrameEncoder {
  public:
    virtual ~IFrameEncoder() = default;
    // Consumes 240 samples and writes one 30-byte frame, as CSpeechEncoder::EncodeFrame.
    virtual void EncodeFrame(const std::int16_t* pnSamples, EncodedFrame* pFrame) = 0;
    // nFrames frames from 240 * nFrames samples, as that many EncodeFrame calls.
    virtual void EncodeFrames(const std::int16_t* pnSamples, std::size_t nFrames,
                              EncodedFrame* aFrames) {
        for (std::size_t f = 0; f < nFrames; ++f) {
            EncodeFrame(pnSamples + f * kFrameSamples, &aFrames[f]);
        }
    }
    // The pre-filtered speech history, as CSpeechEncoder::Signal.
    virtual const double* Signal() const = 0;
};

// Several files' encoders run in lock-step, one file per lane; each lane writes exactly the bytes
// an IFrameEncoder of its own would write for its file.
class IBatchEncoder {
  public:
    virtual ~IBatchEncoder() = default;
    // How many files run together.
    virtual int Lanes() const = 0;
    // Lane nLane starts a new file, as a new IFrameEncoder would.
    virtual void RestartLane(int nLane) = 0;
    // One frame for each of the Lanes() lanes: 240 samples of lane l's file at apnSamples[l]
    // and its frame to aFrames[l]. A null apnSamples[l] is a lane without a file: it is given
    // silence, and its frame is to be ignored.
    virtual void EncodeFrames(const std::int16_t* const* apnSamples, EncodedFrame* aFrames) = 0;
    // Lane nLane's pre-filtered speech history (kSignalLength values) into adSignal.
    virtual void CopyLaneSignal(int nLane, double* adSignal) const = 0;
};

// The builds of the encoder: kPortable runs on any processor; kX86_64_v3 needs the x86-64-v3
// instructions (AVX2 among them) and kX86_64_v4 the x86-64-v4 ones (AVX-512), and each exists
// only where the compiler made it.
enum class CodecBuild { kPortable, kX86_64_v3, kX86_64_v4 };

// Whether this program holds the build and this processor can run it.
bool CodecBuildRuns(CodecBuild build);

// The build that new encoders use: the fastest that runs here for one stream (x86-64-v3 where
// the processor has it: AVX-512 does not make one stream faster), unless the environment
// variable VELTRANE_CODEC_BUILD is "portable".
CodecBuild ChosenCodecBuild();

// The build that new batch encoders use: x86-64-v4 where it runs (the lanes fill 512-bit
// registers) and ChosenCodecBuild() is not the portable build; ChosenCodecBuild() otherwise.
CodecBuild ChosenBatchBuild();

// "portable", "x86-64-v3" or "x86-64-v4".
const char* CodecBuildName(CodecBuild build);

// A new encoder of the given build, which must run here.
std::unique_ptr<IFrameEncoder> MakeFrameEncoder(CodecBuild build = ChosenCodecBuild());

// A new batch encoder of the given build, which must run here.
std::unique_ptr<IBatchEncoder> MakeBatchEncoder(CodecBuild build = ChosenBatchBuild());

// Every whole frame of each recording, encoded by batch encoders of the given build: the files
// are queued into the lanes, a lane whose file ends taking the next. Each result is the bytes a
// single encoder gives for its recording.
std::vector<std::vector<std::uint8_t>>
EncodeRecordings(std::span<const std::span<const std::int16_t>> recordings,
                 CodecBuild build = ChosenBatchBuild());

} // namespace veltrane
