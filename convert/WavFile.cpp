// SPDX-License-Identifier: BSD-3-Clause
#include "convert/WavFile.h"

#include "convert/FileJob.h"
#include "convert/SampleConversion.h"

#include <cerrno>

namespace veltrane {

CheckedWav JudgeHeader(const WavCheckResult& check, int nReadError) {
    CheckedWav checked;
    if (nReadError != 0) {
        checked.m_strMessage = SystemErrorText(nReadError);
    } else if (!check.Accepted()) {
        checked.m_strMessage = check.m_pszMessage;
        checked.m_bRejected = true;
    }
    checked.m_format = check.m_format;
    return checked;
}

CheckedWav OpenCheckedWav(IFileSystem& files, CFileByteSource& source, const std::string& sFile) {
    if (!source.Open(files, sFile)) {
        CheckedWav checked;
        checked.m_strMessage = SystemErrorText(source.Error());
        return checked;
    }
    return CheckOpenedWav(source);
}

CheckedWav CheckOpenedWav(CFileByteSource& source) {
    const WavCheckResult check = CheckWavHeader(source);
    const std::uint64_t nFileBytes = source.Size();
    CheckedWav checked = JudgeHeader(check, source.Error());
    checked.m_nFileBytes = nFileBytes;
    if (checked.Accepted()) {
        checked.m_nDataBytes = AvailableDataBytes(check.m_format, nFileBytes);
    }
    return checked;
}

std::string ShortDataWarning(const WavFormat& format, std::uint64_t nHeldBytes,
                             std::uint64_t nFrames) {
    constexpr std::uint64_t kUnknownLength = 0xFFFFFFFF;
    if (nHeldBytes >= format.m_nDataBytes || format.m_nDataBytes == kUnknownLength) {
        return {};
    }
    return "Warning: the data is shorter than the header says (" + std::to_string(nHeldBytes) +
           " of " + std::to_string(format.m_nDataBytes) + " bytes); " + std::to_string(nFrames) +
           " frames were encoded.\n";
}

WavSamples ReadWavSamples(const std::filesystem::path& file, IFileSystem& files) {
    WavSamples result;
    CFileByteSource source;
    result.m_check = OpenCheckedWav(files, source, file.string());
    if (!result.m_check.Accepted()) {
        return result;
    }
    const WavFormat& format = result.m_check.m_format;
    const std::uint64_t nSamples = result.m_check.m_nDataBytes / format.m_nBlockAlign;
    std::vector<std::uint8_t> bytes(nSamples * format.m_nBlockAlign);
    if (source.ReadAt(format.m_nDataOffset, bytes.data(), bytes.size()) != bytes.size()) {
        result.m_check.m_strMessage = SystemErrorText(source.Error() ? source.Error() : EIO);
        return result;
    }
    result.m_anSamples.resize(nSamples);
    ConvertSamples(bytes, format.m_nBlockAlign, result.m_anSamples);
    return result;
}

} // namespace veltrane
