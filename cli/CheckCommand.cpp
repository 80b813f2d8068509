#include "cli/CheckCommand.h"

#include "codec/CodecTypes.h"
#include "convert/FileByteSource.h"
#include "convert/FileEncoder.h"

#include <cstdio>

namespace veltrane {

namespace {

void PrintAccepted(const std::filesystem::path& file, const WavFormat& format,
                   std::uint64_t nFileSize) {
    const std::uint64_t nBytes = AvailableDataBytes(format, nFileSize);
    const std::uint64_t nFrames = WholeFrames(nBytes, format.m_nBlockAlign);
    std::printf("%s: %llu frames, %.2f s, %d-bit, data at %llu", file.c_str(),
                static_cast<unsigned long long>(nFrames),
                static_cast<double>(nBytes / format.m_nBlockAlign) / kSampleRate,
                8 * format.m_nBlockAlign, static_cast<unsigned long long>(format.m_nDataOffset));
    if (nBytes < format.m_nDataBytes) {
        std::printf(" (the header claims %llu data bytes, the file holds %llu)",
                    static_cast<unsigned long long>(format.m_nDataBytes),
                    static_cast<unsigned long long>(nBytes));
    }
    std::printf("\n");
    std::fflush(stdout); // keeps the lines in file order when stderr shares the output
}

// True when the file passes; prints what was found.
bool CheckOne(const std::filesystem::path& file) {
    CFileByteSource source;
    if (!source.Open(file)) {
        std::fprintf(stderr, "%s%s\n", SystemMessage(source.Error()).c_str(), file.c_str());
        return false;
    }
    const WavCheckResult check = CheckWavHeader(source);
    if (source.Error() != 0) {
        std::fprintf(stderr, "%s%s\n", SystemMessage(source.Error()).c_str(), file.c_str());
        return false;
    }
    if (!check.Accepted()) {
        std::fprintf(stderr, "%s%s\n", check.m_pszMessage, file.c_str());
        return false;
    }
    PrintAccepted(file, check.m_format, source.Size());
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
