// SPDX-License-Identifier: BSD-3-Clause
#include "convert/FormatHint.h"

#include "codec/CodecTypes.h"
#include "convert/FileByteSource.h"
#include "convert/FormatNames.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

namespace veltrane {

namespace {

// libsndfile's own name of a container or sample format the table lacks.
std::string LibraryFormatName(int nFormat) {
    SF_FORMAT_INFO info{};
    info.format = nFormat;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) != 0 || info.name == nullptr) {
        return "unknown format";
    }
    return info.name;
}

std::string Name(const char* pszName, int nFormat) {
    return pszName != nullptr ? pszName : LibraryFormatName(nFormat);
}

std::uint32_t ReadU32(CByteSource& source, std::uint64_t nOffset) {
    std::array<std::uint8_t, 4> bytes{};
    source.ReadAt(nOffset, bytes.data(), bytes.size());
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}

// The four characters of a chunk tag, each one that is not printable shown as '?'.
std::string ReadTag(CByteSource& source, std::uint64_t nOffset) {
    std::string strTag(4, '\0');
    source.ReadAt(nOffset, strTag.data(), strTag.size());
    std::replace_if(
        strTag.begin(), strTag.end(),
        [](char ch) { return !std::isprint(static_cast<unsigned char>(ch)); }, '?');
    return strTag;
}

bool SameTag(const std::string& strTag, const char* pszTag) {
    return strTag.size() == 4 && ::strncasecmp(strTag.c_str(), pszTag, 4) == 0;
}

bool FmtAsTheEncoderTakesIt(const AudioDescription& description) {
    const int nSubtype = description.m_nFormat & SF_FORMAT_SUBMASK;
    return (description.m_nFormat & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV &&
           description.m_nSampleRate == kSampleRate && description.m_nChannels == 1 &&
           (nSubtype == SF_FORMAT_PCM_16 || nSubtype == SF_FORMAT_PCM_U8);
}

} // namespace

std::string DescribeAudio(const AudioDescription& description) {
    const std::string strChannels = description.m_nChannels == 1
                                        ? "mono"
                                        : std::to_string(description.m_nChannels) + " channels";
    const int nContainer = description.m_nFormat & SF_FORMAT_TYPEMASK;
    const int nSampleFormat = description.m_nFormat & SF_FORMAT_SUBMASK;
    return std::to_string(description.m_nSampleRate) + " Hz, " + strChannels + ", " +
           Name(SampleFormatName(nSampleFormat), nSampleFormat) + " (" +
           Name(ContainerName(nContainer), nContainer) + ")";
}

std::string StoppingChunk(const std::filesystem::path& file, const AudioDescription& description) {
    CFileByteSource source;
    if (!FmtAsTheEncoderTakesIt(description) || !source.Open(HostFileSystem(), file.string())) {
        return "";
    }
    const std::string strFirst = ReadTag(source, 12);
    if (!SameTag(strFirst, "FMT ")) {
        return " with a " + strFirst + " chunk before fmt";
    }
    // The fmt chunk's body starts at 20; the chunk after it at 20 + its size.
    std::uint64_t nNext = 20 + static_cast<std::uint64_t>(ReadU32(source, 16));
    std::string strTag = ReadTag(source, nNext);
    if (SameTag(strTag, "JUNK")) {
        nNext += 8 + static_cast<std::uint64_t>(ReadU32(source, nNext + 4));
        strTag = ReadTag(source, nNext);
    }
    return " with a " + strTag + " chunk";
}

std::string FormatHint(const std::filesystem::path& file) {
    CAnyAudioReader reader;
    if (!reader.Open(file)) {
        return "";
    }
    return "Found " + DescribeAudio(reader.Description()) +
           StoppingChunk(file, reader.Description()) + "; --convert accepts it.\n";
}

} // namespace veltrane
