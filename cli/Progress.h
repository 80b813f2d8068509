// SPDX-License-Identifier: BSD-3-Clause
// What the batch commands show on stderr while it runs and when it ends.
#pragma once

#include "convert/BatchRunner.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

namespace veltrane {

enum class ProgressStyle {
    Quiet, // only failures
    Lines, // one line per converted file, then a summary
    Bar,   // one bar, redrawn in place, then a summary (stderr is a terminal)
};

struct BatchTotals {
    unsigned m_nConverted = 0;
    unsigned m_nFailed = 0;      // rejected or failed
    unsigned m_nSkipped = 0;     // complete outputs left alone
    unsigned m_nNotReplaced = 0; // existing outputs not replaced
    unsigned m_nCancelled = 0;
    double m_dAudioSeconds = 0.0;
};

class CProgressReporter {
  public:
    // nFiles: the files of the batch; nTotalFrames: their frames, for the bar's time left.
    CProgressReporter(ProgressStyle style, std::size_t nFiles, std::uint64_t nTotalFrames);

    // Frames done by some job; called from every worker thread.
    void OnFrames(std::uint64_t nFrames);
    // One file finished, whatever its outcome; called by one thread at a time.
    void OnFileDone(const BatchItem& item, const FileJobReport& report);
    // Clears the bar and prints the summary; the totals decide the exit status.
    const BatchTotals& Finish();
    // Clears the bar and prints nothing more: the run ends quietly.
    void Abandon();

  private:
    double Elapsed() const;
    void DrawBar(); // with m_mutex held
    void ClearBar();
    void Count(const FileJobReport& report);

    ProgressStyle m_style;
    std::size_t m_nFiles;
    std::uint64_t m_nTotalFrames;
    std::atomic<std::uint64_t> m_nFramesDone{0};
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDraw;
    std::mutex m_mutex;
    BatchTotals m_totals;
    bool m_bBarShown = false;
};

// "NAME: 489 frames, 14670 bytes, 7.34 s of audio, 85.2x real time"
std::string ConvertedLine(const BatchItem& item, const FileJobReport& report);
// "Converted 3, failed 1, skipped 0; 12.35 s of audio in 0.21 s, 58.8x real time", with
// ", not replaced N" and ", cancelled N" after the skipped files when there are any.
std::string SummaryLine(const BatchTotals& totals, double dElapsedSeconds);

} // namespace veltrane
