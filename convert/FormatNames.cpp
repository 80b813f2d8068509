// SPDX-License-Identifier: BSD-3-Clause
#include "convert/FormatNames.h"

#include <sndfile.h>

#include <algorithm>
#include <iterator>
#include <set>

namespace veltrane {

namespace {

struct FormatName {
    int m_nFormat;
    const char* m_pszName;
};

constexpr FormatName kContainerNames[] = {
    {SF_FORMAT_WAV, "WAV"},   {SF_FORMAT_WAVEX, "WAVE_FORMAT_EXTENSIBLE"},
    {SF_FORMAT_RF64, "RF64"}, {SF_FORMAT_W64, "Wave64"},
    {SF_FORMAT_AIFF, "AIFF"}, {SF_FORMAT_AU, "AU"},
    {SF_FORMAT_CAF, "CAF"},   {SF_FORMAT_FLAC, "FLAC"},
    {SF_FORMAT_OGG, "Ogg"},   {SF_FORMAT_MPEG, "MPEG audio"},
};

constexpr FormatName kSampleFormatNames[] = {
    {SF_FORMAT_PCM_U8, "8-bit PCM"},
    {SF_FORMAT_PCM_S8, "8-bit PCM"},
    {SF_FORMAT_PCM_16, "16-bit PCM"},
    {SF_FORMAT_PCM_24, "24-bit PCM"},
    {SF_FORMAT_PCM_32, "32-bit PCM"},
    {SF_FORMAT_FLOAT, "32-bit float"},
    {SF_FORMAT_DOUBLE, "64-bit float"},
    {SF_FORMAT_ULAW, "mu-law"},
    {SF_FORMAT_ALAW, "A-law"},
    {SF_FORMAT_IMA_ADPCM, "IMA ADPCM"},
    {SF_FORMAT_MS_ADPCM, "Microsoft ADPCM"},
    {SF_FORMAT_GSM610, "GSM 6.10"},
    {SF_FORMAT_VORBIS, "Vorbis"},
    {SF_FORMAT_OPUS, "Opus"},
    {SF_FORMAT_ALAC_16, "16-bit ALAC"},
    {SF_FORMAT_ALAC_24, "24-bit ALAC"},
    {SF_FORMAT_MPEG_LAYER_I, "MPEG Layer I"},
    {SF_FORMAT_MPEG_LAYER_II, "MP2"},
    {SF_FORMAT_MPEG_LAYER_III, "MP3"},
};

template <std::size_t N> const char* Find(const FormatName (&table)[N], int nFormat) {
    const auto* pEntry = std::find_if(std::begin(table), std::end(table),
                                      [&](const FormatName& e) { return e.m_nFormat == nFormat; });
    return pEntry == std::end(table) ? nullptr : pEntry->m_pszName;
}

} // namespace

const char* ContainerName(int nSfFormat) {
    return Find(kContainerNames, nSfFormat & SF_FORMAT_TYPEMASK);
}

const char* SampleFormatName(int nSfFormat) {
    return Find(kSampleFormatNames, nSfFormat & SF_FORMAT_SUBMASK);
}

namespace {

// Adds the extensions of libsndfile's list of formats that nCountCommand counts and nCommand
// describes one by one.
void AddExtensions(int nCountCommand, int nCommand, std::set<std::string>& extensions) {
    int nCount = 0;
    sf_command(nullptr, nCountCommand, &nCount, sizeof nCount);
    for (int i = 0; i < nCount; ++i) {
        SF_FORMAT_INFO info{};
        info.format = i;
        if (sf_command(nullptr, nCommand, &info, sizeof info) != 0 || info.extension == nullptr ||
            (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_RAW) {
            continue;
        }
        extensions.insert(std::string(".") + info.extension);
    }
}

} // namespace

std::vector<std::string> ReadableExtensions() {
    std::set<std::string> extensions;
    AddExtensions(SFC_GET_FORMAT_MAJOR_COUNT, SFC_GET_FORMAT_MAJOR, extensions);
    AddExtensions(SFC_GET_SIMPLE_FORMAT_COUNT, SFC_GET_SIMPLE_FORMAT, extensions);
    return {extensions.begin(), extensions.end()};
}

std::vector<std::string> InputExtensions(bool bConvert) {
    std::vector<std::string> extensions =
        bConvert ? ReadableExtensions() : std::vector<std::string>{};
    extensions.emplace_back(".wav"); // whatever libsndfile's lists say
    return extensions;
}

} // namespace veltrane
