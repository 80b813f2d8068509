// The two batch verbs: encode (WAV to ".wrm") and decode (".wrm" to WAV).
#include "cli/BatchCommand.h"

#include "codec/CodecTypes.h"
#include "convert/FileDecoder.h"
#include "convert/FileEncoder.h"
#include "convert/OutputName.h"
#include "convert/WavFile.h"

namespace veltrane {

namespace {

std::uint64_t WavFrames(const std::filesystem::path& input) {
    CFileByteSource source;
    const CheckedWav wav = OpenCheckedWav(HostFileSystem(), source, input.string());
    return wav.Accepted() ? WholeFrames(wav.m_nDataBytes, wav.m_format.m_nBlockAlign) : 0;
}

std::uint64_t WrmFrames(const std::filesystem::path& input) {
    std::error_code error;
    const std::uintmax_t nSize = std::filesystem::file_size(input, error);
    return error ? 0 : nSize / kFrameBytes;
}

} // namespace

int RunEncode(const BatchArgs& args) {
    return RunBatchCommand(args, {ProposedOutputPath, EncodeWavFile, WavFrames});
}

int RunDecode(const BatchArgs& args) {
    return RunBatchCommand(args, {DecodedOutputPath, DecodeWrmFile, WrmFrames});
}

} // namespace veltrane
