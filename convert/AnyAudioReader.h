// SPDX-License-Identifier: BSD-3-Clause
// Reads any recording that libsndfile reads (WAV with any chunks or WAVE_FORMAT_EXTENSIBLE,
// float, 24-bit, mu-law; FLAC; Ogg; MP3) as one channel: the mean of the file's channels, at
// the file's own sample rate.
#pragma once

#include "platform/FileSystem.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct sf_private_tag; // libsndfile's SNDFILE

namespace veltrane {

// What libsndfile tells about a recording.
struct AudioDescription {
    int m_nSampleRate = 0;
    int m_nChannels = 0;
    int m_nFormat = 0;          // libsndfile's SF_FORMAT_* container type | sample format
    std::int64_t m_nFrames = 0; // samples per channel; negative when the file does not say
};

class CAnyAudioReader {
  public:
    CAnyAudioReader() = default;
    ~CAnyAudioReader();
    CAnyAudioReader(const CAnyAudioReader&) = delete;
    CAnyAudioReader& operator=(const CAnyAudioReader&) = delete;

    // Opens the file. False when it cannot be opened (SystemError() is its errno) or when
    // libsndfile does not read it (SystemError() is 0).
    bool Open(const std::filesystem::path& path);
    // Reads an open file (from its start) through libsndfile's virtual I/O; the reader keeps it.
    bool Open(std::unique_ptr<IFile> pFile);
    int SystemError() const { return m_nSystemError; }
    const AudioDescription& Description() const { return m_description; }

    // Reads up to samples.size() mono samples, each channel read as libsndfile scales it
    // (integer formats to [-1, 1), 16-bit sample x to x / 32768). Fewer only at the end of the
    // recording or on a failure.
    std::size_t ReadMono(std::span<double> samples);
    // Reads up to samples.size() / channels frames of every channel, interleaved, scaled as
    // ReadMono's; the frames read (fewer only at the end or on a failure).
    std::size_t ReadInterleaved(std::span<double> samples);
    bool Failed() const { return m_bFailed; }
    // libsndfile's text for the failure, ending in a line feed.
    std::string FailureMessage() const;

  private:
    friend struct VirtualFile; // libsndfile's virtual I/O over m_pSource

    sf_private_tag* m_pFile = nullptr;
    std::unique_ptr<IFile> m_pSource; // what libsndfile reads, through the virtual I/O
    std::uint64_t m_nPosition = 0;    // libsndfile's position in it
    int m_nReadError = 0;             // the errno of a failed read of it, which libsndfile
                                      // would take for the file's end
    AudioDescription m_description;
    std::vector<double> m_adInterleaved;
    int m_nSystemError = 0;
    bool m_bFailed = false;
};

} // namespace veltrane
