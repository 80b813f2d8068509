// SPDX-License-Identifier: BSD-3-Clause
#include "convert/AnyAudioReader.h"

#include "platform/PosixFileSystem.h"

#include <sndfile.h>

namespace veltrane {

CAnyAudioReader::~CAnyAudioReader() {
    if (m_pFile != nullptr) {
        sf_close(m_pFile);
    }
}

bool CAnyAudioReader::Open(const std::filesystem::path& path) {
    // Opened here rather than by libsndfile, so that a missing or unreadable file gets the
    // system's text and only a file of an unknown kind is left to libsndfile's verdict.
    int nFd = -1;
    if ((m_nSystemError = OpenRegularFile(path.string(), &nFd)) != 0) {
        return false;
    }
    SF_INFO sfInfo{};
    m_pFile = sf_open_fd(nFd, SFM_READ, &sfInfo, SF_TRUE);
    if (m_pFile == nullptr) {
        return false; // sf_open_fd closes the descriptor on failure too
    }
    m_description = {sfInfo.samplerate, sfInfo.channels, sfInfo.format,
                     sfInfo.frames == SF_COUNT_MAX ? -1 : sfInfo.frames};
    return m_description.m_nChannels > 0 && m_description.m_nSampleRate > 0;
}

std::size_t CAnyAudioReader::ReadMono(std::span<double> samples) {
    if (m_pFile == nullptr || m_bFailed) {
        return 0;
    }
    const auto nChannels = static_cast<std::size_t>(m_description.m_nChannels);
    m_adInterleaved.resize(samples.size() * nChannels);
    const sf_count_t nRead =
        sf_readf_double(m_pFile, m_adInterleaved.data(), static_cast<sf_count_t>(samples.size()));
    if (sf_error(m_pFile) != SF_ERR_NO_ERROR) {
        m_bFailed = true;
        return 0;
    }
    const auto nFrames = static_cast<std::size_t>(nRead);
    for (std::size_t i = 0; i < nFrames; ++i) {
        double dSum = 0.0;
        for (std::size_t c = 0; c < nChannels; ++c) {
            dSum += m_adInterleaved[i * nChannels + c];
        }
        samples[i] = nChannels == 1 ? dSum : dSum / static_cast<double>(nChannels);
    }
    return nFrames;
}

std::string CAnyAudioReader::FailureMessage() const {
    return std::string(sf_strerror(m_pFile)) + "\n";
}

} // namespace veltrane
