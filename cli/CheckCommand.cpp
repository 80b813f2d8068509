#include "cli/CheckCommand.h"

#include "codec/CodecTypes.h"
#include "convert/WavFile.h"

#include <cstdio>

namespace veltrane {

namespace {

void PrintAccepted(const std::filesystem::path& file, const CheckedWav& wav) {
    const WavFormat& format = wav.m_format;
    const std::uint64_t nFrames = WholeFrames(wav.m_nDataBytes, format.m_nBlockAlign);
    std::printf("%s: %llu frames, %.2f s, %d-bit, data at %llu", file.c_str(),
                static_cast<unsigned long long>(nFrames),
                static_cast<double>(wav.m_nDataBytes / format.m_nBlockAlign) / kSampleRate,
                8 * format.m_nBlockAlign, static_cast<unsigned long long>(format.m_nDataOffset));
    if (wav.m_nDataBytes < format.m_nDataBytes) {
        std::printf(" (the header claims %llu data bytes, the file holds %llu)",
                    static_cast<unsigned long long>(format.m_nDataBytes),
                    static_cast<unsigned long long>(wav.m_nDataBytes));
    }
    std::printf("\n");
    std::fflush(stdout); // keeps the lines in file order when stderr shares the output
}

// True when the file passes; prints what was found.
bool CheckOne(const std::filesystem::path& file) {
    CFileByteSource source;
    const CheckedWav wav = OpenCheckedWav(HostFileSystem(), source, file.string());
    if (!wav.Accepted()) {
        std::fprintf(stderr, "%s%s\n", wav.m_strMessage.c_str(), file.c_str());
        return false;
    }
    PrintAccepted(file, wav);
    return true;
}

} // namespace

int RunCheck(const std::vector<std::filesystem::path>& files) {
    bool bAllPassed = true;
    for (const std::filesystem::path& file : files) {
        bAllPassed = CheckOne(file) && bAllPassed;
    }
    return bAllPassed ? 0 : 2;
}

} // namespace veltrane
