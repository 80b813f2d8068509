// SPDX-License-Identifier: BSD-3-Clause
// What every file job of a batch (encoding a WAV file, decoding a ".wrm" file) takes and
// reports, and the refusals, the output and its commit that they share.
#pragma once

#include "convert/AtomicOutputFile.h"
#include "convert/ChunkEncoder.h"
#include "convert/SampleSource.h"
#include "platform/FileSystem.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace veltrane {

enum class FileOutcome {
    Converted,   // the output holds the whole result
    Rejected,    // the input is not of the kind the job takes; nothing was written
    Failed,      // the input could not be read or the output not written; nothing was left
    Skipped,     // the output exists, complete, and was left alone (--skip-existing)
    NotReplaced, // the output exists and replacing it was not allowed
    Cancelled,   // stopped on request; the temporary file was removed
};

struct FileJobOptions {
    IFileSystem* m_pFiles = nullptr;  // where files are read and written; null: the host's
    bool m_bReplace = false;          // replace an existing output
    bool m_bKeepModifiedTime = false; // the output takes its input's modification time
    const std::atomic<bool>* m_pbCancel = nullptr; // checked after every chunk; may be null
    std::function<void(std::uint64_t)> m_onFrames; // frames done so far, chunk by chunk
    // Makes the encoder of a file that an encode job reads from a file (not from a stream);
    // empty: a new encoder of its own.
    FrameEncoderMaker m_makeEncoder;
};

struct FileJobReport {
    FileOutcome m_outcome = FileOutcome::Failed;
    std::string m_strMessage;          // ends in a line feed; empty when converted or cancelled
    std::filesystem::path m_pathShown; // the path the message concerns
    std::string m_strHint;             // a line shown after the path; may be empty
    std::string m_strWarning;          // of a converted file, ends in a line feed; may be empty
    std::uint64_t m_nFrames = 0;       // frames encoded or decoded
    std::uint64_t m_nBytes = 0;        // bytes of the output
    double m_dAudioSeconds = 0.0;      // seconds of audio the output holds or stands for
    double m_dElapsedSeconds = 0.0;
    // Standard output's reader closed its end (a pipe into head): the run ends at once and
    // quietly, as other programs end on a closed pipe. The outcome is then Cancelled.
    bool m_bReaderGone = false;
};

// One file job: converts input into output.
using FileJobFn = std::function<FileJobReport(const std::filesystem::path& input,
                                              const std::filesystem::path& output,
                                              const FileJobOptions& options)>;

// The file system a job reads its input and writes its output through.
IFileSystem& JobFiles(const FileJobOptions& options);

FileJobReport JobOutcome(FileOutcome outcome, std::string strMessage,
                         const std::filesystem::path& pathShown);

// The refusals made before the input is read: an output that is the input itself (always), an
// existing output without m_bReplace. None when the job may go on.
std::optional<FileJobReport> RefuseOutput(const std::filesystem::path& input,
                                          const std::filesystem::path& output,
                                          const FileJobOptions& options);

// Prepares file as the output named output: replaced only with m_bReplace, written through an
// unnamed temporary file where the system has them; a new output gets the ResultMode of input's
// mode, and with m_bKeepModifiedTime the input's modification time. None when done; otherwise the
// report of the failure (NotReplaced when the output exists and replacing is not allowed).
std::optional<FileJobReport> CreateOutput(CAtomicOutputFile& file,
                                          const std::filesystem::path& input,
                                          const std::filesystem::path& output,
                                          const FileJobOptions& options);
// Puts the finished file in place under its name. None when done; otherwise the report of the
// failure (NotReplaced when an output appeared meanwhile and replacing is not allowed).
std::optional<FileJobReport> CommitOutput(CAtomicOutputFile& file,
                                          const std::filesystem::path& output);

} // namespace veltrane
