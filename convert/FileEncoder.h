// Converts one WAV file into its ".wrm" file.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace veltrane {

enum class FileOutcome {
    Converted, // the output holds every whole frame of the input
    Rejected,  // the header check failed; nothing was written
    Failed,    // the input could not be read or the output not written; nothing was left
    Skipped,   // the output exists and replacing it was not allowed
    Cancelled, // stopped on request; the temporary file was removed
};

struct FileEncodeOptions {
    bool m_bReplace = false;                       // replace an existing output
    const std::atomic<bool>* m_pbCancel = nullptr; // checked after every chunk; may be null
    std::function<void(std::uint64_t)> m_onFrames; // frames written so far, chunk by chunk
};

struct FileEncodeReport {
    FileOutcome m_outcome = FileOutcome::Failed;
    std::string m_strMessage;          // ends in a line feed; empty when converted or cancelled
    std::filesystem::path m_pathShown; // the path the message concerns
    std::uint64_t m_nFrames = 0;
    std::uint64_t m_nBytes = 0;
    double m_dAudioSeconds = 0.0;
    double m_dElapsedSeconds = 0.0;
};

// Checks the header of input, encodes every whole frame that the file holds with one new
// encoder, and writes the frames to output through a temporary file in output's folder, renamed
// when complete. An output that is the input itself is always refused.
FileEncodeReport EncodeWavFile(const std::filesystem::path& input,
                               const std::filesystem::path& output,
                               const FileEncodeOptions& options);

// The text of an errno value, ending in a line feed, as the messages show it.
std::string SystemMessage(int nError);

} // namespace veltrane
