// SPDX-License-Identifier: BSD-3-Clause
#include "cli/Progress.h"

#include "codec/CodecTypes.h"

#include <cstdio>
#include <cstring>

namespace veltrane {

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

double FramesToSeconds(std::uint64_t nFrames) {
    return static_cast<double>(nFrames) * kFrameSamples / kSampleRate;
}

double Speed(double dAudioSeconds, double dElapsedSeconds) {
    return dElapsedSeconds > 0.0 ? dAudioSeconds / dElapsedSeconds : 0.0;
}

void PrintFailure(const FileJobReport& report) {
    std::fprintf(stderr, "%s%s\n%s", report.m_strMessage.c_str(), report.m_pathShown.c_str(),
                 report.m_strHint.c_str());
}

} // namespace

std::string ConvertedLine(const BatchItem& item, const FileJobReport& report) {
    char szLine[160];
    std::snprintf(szLine, sizeof szLine,
                  ": %llu frames, %llu bytes, %.2f s of audio, %.1fx real time",
                  static_cast<unsigned long long>(report.m_nFrames),
                  static_cast<unsigned long long>(report.m_nBytes), report.m_dAudioSeconds,
                  Speed(report.m_dAudioSeconds, report.m_dElapsedSeconds));
    return item.m_output.string() + szLine;
}

// The files that a stop left unconverted are counted only when there are any.
std::string SummaryLine(const BatchTotals& totals, double dElapsedSeconds) {
    char szTail[80] = ""; // the counts shown only when not 0
    if (totals.m_nNotReplaced > 0) {
        std::snprintf(szTail, sizeof szTail, ", not replaced %u", totals.m_nNotReplaced);
    }
    if (totals.m_nCancelled > 0) {
        const std::size_t nUsed = std::strlen(szTail);
        std::snprintf(szTail + nUsed, sizeof szTail - nUsed, ", cancelled %u", totals.m_nCancelled);
    }
    char szLine[240];
    std::snprintf(
        szLine, sizeof szLine,
        "Converted %u, failed %u, skipped %u%s; %.2f s of audio in %.2f s, %.1fx real time",
        totals.m_nConverted, totals.m_nFailed, totals.m_nSkipped, szTail, totals.m_dAudioSeconds,
        dElapsedSeconds, Speed(totals.m_dAudioSeconds, dElapsedSeconds));
    return szLine;
}

CProgressReporter::CProgressReporter(ProgressStyle style, std::size_t nFiles,
                                     std::uint64_t nTotalFrames)
    : m_style(style), m_nFiles(nFiles), m_nTotalFrames(nTotalFrames),
      m_start(std::chrono::steady_clock::now()), m_lastDraw(m_start) {}

double CProgressReporter::Elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
}

void CProgressReporter::OnFrames(std::uint64_t nFrames) {
    m_nFramesDone += nFrames;
    if (m_style != ProgressStyle::Bar) {
        return;
    }
    const std::unique_lock lock(m_mutex, std::try_to_lock);
    const auto now = std::chrono::steady_clock::now();
    if (lock.owns_lock() && now - m_lastDraw >= kRedrawInterval) {
        m_lastDraw = now;
        DrawBar();
    }
}

void CProgressReporter::Count(const FileJobReport& report) {
    switch (report.m_outcome) {
    case FileOutcome::Converted:
        ++m_totals.m_nConverted;
        m_totals.m_dAudioSeconds += report.m_dAudioSeconds;
        break;
    case FileOutcome::Rejected:
    case FileOutcome::Failed:
        ++m_totals.m_nFailed;
        break;
    case FileOutcome::Skipped:
        ++m_totals.m_nSkipped;
        break;
    case FileOutcome::NotReplaced:
        ++m_totals.m_nNotReplaced;
        break;
    case FileOutcome::Cancelled:
        ++m_totals.m_nCancelled;
        break;
    }
}

void CProgressReporter::OnFileDone(const BatchItem& item, const FileJobReport& report) {
    const std::lock_guard lock(m_mutex);
    Count(report);
    ClearBar();
    // A single file's line is its summary, so it is shown under the bar as well.
    const bool bShowLine =
        m_style == ProgressStyle::Lines || (m_style == ProgressStyle::Bar && m_nFiles == 1);
    const bool bCountOnly =
        m_style == ProgressStyle::Quiet && report.m_outcome == FileOutcome::NotReplaced;
    if (!report.m_strMessage.empty() && !bCountOnly) {
        PrintFailure(report);
    } else if (report.m_outcome == FileOutcome::Converted && bShowLine) {
        std::fprintf(stderr, "%s\n", ConvertedLine(item, report).c_str());
    }
    if (!report.m_strWarning.empty() && m_style != ProgressStyle::Quiet) {
        std::fprintf(stderr, "%s%s\n", report.m_strWarning.c_str(), item.m_input.c_str());
    }
    if (m_style == ProgressStyle::Bar) {
        DrawBar();
    }
}

void CProgressReporter::Abandon() {
    const std::lock_guard lock(m_mutex);
    ClearBar();
}

void CProgressReporter::DrawBar() {
    const unsigned nDone = m_totals.m_nConverted + m_totals.m_nFailed + m_totals.m_nSkipped +
                           m_totals.m_nNotReplaced + m_totals.m_nCancelled;
    const std::uint64_t nFrames = m_nFramesDone.load();
    const double dFraction =
        m_nTotalFrames > 0
            ? std::min(1.0, static_cast<double>(nFrames) / static_cast<double>(m_nTotalFrames))
            : 0.0;
    const int nFilled = static_cast<int>(dFraction * kBarWidth);
    const double dElapsed = Elapsed();
    const double dSpeed = Speed(FramesToSeconds(nFrames), dElapsed);
    const double dLeft =
        dSpeed > 0.0 ? FramesToSeconds(m_nTotalFrames - std::min(nFrames, m_nTotalFrames)) / dSpeed
                     : 0.0;
    std::fprintf(stderr, "\r[%s%s] %u/%zu files, %.1f s of audio, %.1fx, %d:%02d left\033[K",
                 std::string(nFilled, '#').c_str(), std::string(kBarWidth - nFilled, '.').c_str(),
                 nDone, m_nFiles, FramesToSeconds(nFrames), dSpeed, static_cast<int>(dLeft) / 60,
                 static_cast<int>(dLeft) % 60);
    std::fflush(stderr);
    m_bBarShown = true;
}

void CProgressReporter::ClearBar() {
    if (m_bBarShown) {
        std::fputs("\r\033[K", stderr);
        m_bBarShown = false;
    }
}

const BatchTotals& CProgressReporter::Finish() {
    const std::lock_guard lock(m_mutex);
    ClearBar();
    // Quiet, the outputs not replaced are told by their count alone.
    if ((m_style != ProgressStyle::Quiet && m_nFiles > 1) ||
        (m_style == ProgressStyle::Quiet && m_totals.m_nNotReplaced > 0)) {
        std::fprintf(stderr, "%s\n", SummaryLine(m_totals, Elapsed()).c_str());
    }
    return m_totals;
}

} // namespace veltrane
