// SPDX-License-Identifier: BSD-3-Clause
// The two batch verbs: encode (WAV to ".wrm") and decode (".wrm" to WAV).
#include "cli/BatchCommand.h"

#include "codec/CodecTypes.h"
#include "codec/SpeechDecoder.h"
#include "convert/ConvertedSamples.h"
#include "convert/EncodeJob.h"
#include "convert/FileDecoder.h"
#include "convert/FormatNames.h"
#include "convert/OutputName.h"
#include "convert/StandardStreams.h"
#include "convert/WavFile.h"
#include "convert/WavWriter.h"

namespace veltrane {

namespace {

std::uint64_t WavFrames(const std::filesystem::path& input) {
    if (IsStreamInput(input)) {
        return 0; // not known before the stream ends
    }
    CFileByteSource source;
    const CheckedWav wav = OpenCheckedWav(HostFileSystem(), source, input.string());
    return wav.Accepted() ? WholeFrames(wav.m_nDataBytes, wav.m_format.m_nBlockAlign) : 0;
}

// The frames of a file that --convert encodes, whether the header check takes it or not.
std::uint64_t AnyAudioFrames(const std::filesystem::path& input) {
    if (const std::uint64_t nFrames = WavFrames(input)) {
        return nFrames;
    }
    if (IsStreamInput(input)) {
        return 0; // libsndfile would read "-" as standard input, before the job does
    }
    const std::optional<ConversionPlan> plan = PlanConversion(input);
    return plan && !plan->m_strRefusal && plan->m_nSamples > 0
               ? static_cast<std::uint64_t>(plan->m_nSamples) / kFrameSamples
               : 0;
}

std::uint64_t WrmFrames(const std::filesystem::path& input) {
    std::error_code error;
    const std::uintmax_t nSize = std::filesystem::file_size(input, error);
    return error ? 0 : nSize / kFrameBytes;
}

// A .wrm file of nFrames frames; an input without a whole frame gives none.
std::optional<std::uint64_t> EncodedBytes(std::uint64_t nFrames) {
    return nFrames > 0 ? std::optional(nFrames * kFrameBytes) : std::nullopt;
}

// The WAV file that nFrames frames decode to: the first frames answer no input sample.
std::optional<std::uint64_t> DecodedBytes(std::uint64_t nFrames) {
    constexpr std::uint64_t kDelay = kDecoderDelayFrames;
    return kWavHeaderBytes + (nFrames > kDelay ? (nFrames - kDelay) * kFrameSamples * 2 : 0);
}

} // namespace

int RunEncode(const BatchArgs& args) {
    if (args.m_bConvert) {
        return RunBatchCommand(args, {InputExtensions(true), true, EncodedOutputPath,
                                      EncodeAnyAudioFile, AnyAudioFrames, EncodedBytes, true});
    }
    return RunBatchCommand(
        args,
        {{".wav"}, true, EncodedOutputPath, EncodeWavFileWithHint, WavFrames, EncodedBytes, true});
}

int RunDecode(const BatchArgs& args) {
    return RunBatchCommand(
        args, {{".wrm"}, true, DecodedOutputPath, DecodeWrmFile, WrmFrames, DecodedBytes});
}

} // namespace veltrane
