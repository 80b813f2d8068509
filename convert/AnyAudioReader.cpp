// SPDX-License-Identifier: BSD-3-Clause
#include "convert/AnyAudioReader.h"

#include "convert/FileByteSource.h"
#include "platform/FileSystem.h"

#include <sndfile.h>

namespace veltrane {

// libsndfile's virtual I/O over the reader's file: its position is the reader's own, so that
// every read and seek goes through the platform's file interface.
struct VirtualFile {
    static CAnyAudioReader& Reader(void* pUser) { return *static_cast<CAnyAudioReader*>(pUser); }

    static sf_count_t Length(void* pUser) {
        std::uint64_t nSize = 0;
        return Reader(pUser).m_pSource->Size(&nSize) == 0 ? static_cast<sf_count_t>(nSize) : -1;
    }
    static sf_count_t Seek(sf_count_t nOffset, int nWhence, void* pUser) {
        CAnyAudioReader& reader = Reader(pUser);
        sf_count_t nBase = 0;
        if (nWhence == SEEK_CUR) {
            nBase = static_cast<sf_count_t>(reader.m_nPosition);
        } else if (nWhence == SEEK_END) {
            nBase = Length(pUser);
        }
        const sf_count_t nTarget = nBase + nOffset;
        if (nBase < 0 || nTarget < 0) {
            return -1;
        }
        reader.m_nPosition = static_cast<std::uint64_t>(nTarget);
        return nTarget;
    }
    static sf_count_t Read(void* pBuffer, sf_count_t nBytes, void* pUser) {
        CAnyAudioReader& reader = Reader(pUser);
        std::size_t nRead = 0;
        int nError = reader.m_pSource->Seek(reader.m_nPosition);
        if (nError == 0 && nBytes > 0) {
            nError = reader.m_pSource->Read(pBuffer, static_cast<std::size_t>(nBytes), &nRead);
        }
        if (nError != 0) {
            reader.m_nReadError = reader.m_nReadError != 0 ? reader.m_nReadError : nError;
            return 0;
        }
        reader.m_nPosition += nRead;
        return static_cast<sf_count_t>(nRead);
    }
    static sf_count_t Write(const void*, sf_count_t, void*) { return 0; }
    static sf_count_t Tell(void* pUser) {
        return static_cast<sf_count_t>(Reader(pUser).m_nPosition);
    }
};

CAnyAudioReader::~CAnyAudioReader() {
    if (m_pFile != nullptr) {
        sf_close(m_pFile);
    }
}

bool CAnyAudioReader::Open(const std::filesystem::path& path) {
    // Opened here rather than by libsndfile, so that a missing or unreadable file gets the
    // system's text and only a file of an unknown kind is left to libsndfile's verdict.
    std::unique_ptr<IFile> pFile;
    if ((m_nSystemError = HostFileSystem().OpenRead(path.string(), &pFile)) != 0) {
        return false;
    }
    return Open(std::move(pFile));
}

bool CAnyAudioReader::Open(std::unique_ptr<IFile> pFile) {
    static SF_VIRTUAL_IO virtualIo = {VirtualFile::Length, VirtualFile::Seek, VirtualFile::Read,
                                      VirtualFile::Write, VirtualFile::Tell};
    m_pSource = std::move(pFile);
    m_nPosition = 0;
    SF_INFO sfInfo{};
    m_pFile = sf_open_virtual(&virtualIo, SFM_READ, &sfInfo, this);
    if (m_pFile == nullptr) {
        return false;
    }
    m_description = {sfInfo.samplerate, sfInfo.channels, sfInfo.format,
                     sfInfo.frames == SF_COUNT_MAX ? -1 : sfInfo.frames};
    return m_description.m_nChannels > 0 && m_description.m_nSampleRate > 0;
}

std::size_t CAnyAudioReader::ReadInterleaved(std::span<double> samples) {
    if (m_pFile == nullptr || m_bFailed) {
        return 0;
    }
    const auto nChannels = static_cast<std::size_t>(m_description.m_nChannels);
    const sf_count_t nRead = sf_readf_double(m_pFile, samples.data(),
                                             static_cast<sf_count_t>(samples.size() / nChannels));
    if (sf_error(m_pFile) != SF_ERR_NO_ERROR || m_nReadError != 0) {
        m_bFailed = true;
        return 0;
    }
    return static_cast<std::size_t>(nRead);
}

std::size_t CAnyAudioReader::ReadMono(std::span<double> samples) {
    const auto nChannels = static_cast<std::size_t>(m_description.m_nChannels);
    m_adInterleaved.resize(samples.size() * nChannels);
    const std::size_t nFrames = ReadInterleaved(m_adInterleaved);
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
    return m_nReadError != 0 ? SystemErrorText(m_nReadError)
                             : std::string(sf_strerror(m_pFile)) + "\n";
}

} // namespace veltrane
