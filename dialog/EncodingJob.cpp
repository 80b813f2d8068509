// SPDX-License-Identifier: BSD-3-Clause
// The encoding job: one validated file, read in chunks, encoded frame by frame with a fresh
// encoder, written to its temporary file, with both progress bars and the Stop request.
#include "convert/FileByteSource.h"
#include "convert/Utf8.h"
#include "convert/WavSampleSource.h"
#include "dialog/ConverterDlg.h"

namespace veltrane {

namespace {

constexpr std::uint64_t kLargeChunk = 100;
constexpr std::uint64_t kSmallChunk = 20;
constexpr std::uint64_t kLargeChunkFrom = 1000; // frames

// The bars follow the chunks: the file bar and the batch bar step by a chunk; the rest moves
// the batch bar alone, by its own step.
void StepBars(IUserInterface& ui, bool bRest) {
    if (!bRest) {
        ui.StepBar(ProgressBar::File);
    }
    ui.StepBar(ProgressBar::Total);
}

} // namespace

ChunkPlan PlanChunks(std::uint64_t nTotalFrames) {
    ChunkPlan plan;
    plan.m_nTotal = nTotalFrames;
    plan.m_nChunk = nTotalFrames >= kLargeChunkFrom ? kLargeChunk : kSmallChunk;
    plan.m_nChunks = nTotalFrames / plan.m_nChunk;
    plan.m_nRest = nTotalFrames - plan.m_nChunks * plan.m_nChunk;
    return plan;
}

std::string CConverterDlg::TailOfPath(const std::string& sPath) {
    return sPath.substr(Utf8TailStart(sPath, kLabelChars).value_or(0));
}

bool CConverterDlg::EncodeCurrentFile() {
    IUserInterface& ui = m_platform.m_ui;
    const int nIndex = m_nCurrent;
    const auto nAt = static_cast<std::size_t>(nIndex);
    WavFormat format;
    format.m_nBlockAlign = m_pnBlockAlign[nAt];
    format.m_nDataOffset = m_pnDataOffset[nAt];
    format.m_nDataBytes = m_pnDataBytes[nAt];
    const ChunkPlan plan = PlanChunks(WholeFrames(format.m_nDataBytes, format.m_nBlockAlign));
    const std::string sPath = m_pszPath;
    const std::string sTempPath = TempPathOf(nIndex);

    ui.SetLabelText(TailOfPath(sPath));
    ui.ShowLabel(true);

    CFileByteSource input;
    if (!input.Open(m_platform.m_files, sPath)) {
        return FailJob(SystemErrorText(input.Error()) + sPath);
    }
    std::unique_ptr<IFile> pTemp;
    if (const int nError = m_platform.m_files.CreateNew(sTempPath, &pTemp); nError != 0) {
        return FailJob(SystemErrorText(nError) + sTempPath);
    }
    m_abTempMade[nAt] = 1;
    // A failure once the temporary file exists removes it, so that no partial result is
    // saved; the message names the file whose read or write failed.
    auto fail = [&](const std::string& sMessage) {
        pTemp.reset();
        DeleteTempFile(nIndex);
        return FailJob(sMessage);
    };

    ui.SetBarRange(ProgressBar::File, plan.m_nTotal);
    ui.SetBarStep(ProgressBar::File, plan.m_nChunk);
    ui.SetBarStep(ProgressBar::Total, plan.m_nChunk);
    int nWriteError = 0;
    EncodeHooks hooks;
    hooks.m_write = [&](std::span<const std::uint8_t> frames) {
        nWriteError = pTemp->Write(frames.data(), frames.size());
        return nWriteError == 0;
    };
    hooks.m_onChunk = [&ui](std::uint64_t, bool bRest) { StepBars(ui, bRest); };
    hooks.m_onRestStart = [&ui](std::uint64_t nRest) { ui.SetBarStep(ProgressBar::Total, nRest); };
    hooks.m_pbStop = &m_bStop;
    hooks.m_stopRule = StopRule::FinishTheRest;
    CWavSampleSource samples(input, format, format.m_nDataBytes);
    const EncodeStatus status = EncodeChunks(samples, plan, hooks);
    if (status == EncodeStatus::ReadFailed) {
        return fail(samples.FailureMessage() + sPath);
    }
    if (status == EncodeStatus::WriteFailed) {
        return fail(SystemErrorText(nWriteError) + sTempPath);
    }
    if (const int nError = pTemp->Close(); nError != 0) {
        return fail(SystemErrorText(nError) + sTempPath);
    }
    const bool bStopped = status == EncodeStatus::Cancelled;
    if (bStopped) {
        m_bJobStopped = true;
        DeleteTempFile(nIndex);
    }
    ui.SetBarPosition(ProgressBar::File, 0);
    ui.ShowLabel(false);
    return bStopped;
}

} // namespace veltrane
