// SPDX-License-Identifier: BSD-3-Clause
// The encoding job: one validated file, read in chunks, encoded frame by frame with a fresh
// encoder, written to its temporary file, with both progress bars and the Stop request.
#include "convert/ChunkEncoder.h"
#include "convert/Utf8.h"
#include "dialog/ConverterDlg.h"

#include <cerrno>

namespace veltrane {

namespace {

constexpr std::uint64_t kLargeChunk = 100;
constexpr std::uint64_t kSmallChunk = 20;
constexpr std::uint64_t kLargeChunkFrom = 1000; // frames

// Reads, encodes and writes nFrames frames. On failure *pbInput tells whether reading the input
// (rather than writing the output) failed.
int EncodeChunk(IFile& input, IFile& output, CChunkEncoder& encoder, std::uint64_t nFrames,
                bool* pbInput) {
    const std::span<std::uint8_t> bytes = encoder.SampleBytes(nFrames);
    std::size_t nRead = 0;
    *pbInput = true;
    if (const int nError = input.Read(bytes.data(), bytes.size(), &nRead); nError != 0) {
        return nError;
    }
    if (nRead != bytes.size()) {
        return EIO; // the file shrank after its check: never save a result cut short
    }
    const std::span<const std::uint8_t> frames = encoder.EncodeBytes(bytes);
    *pbInput = false;
    return output.Write(frames.data(), frames.size());
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
    IFileSystem& files = m_platform.m_files;
    const int nIndex = m_nCurrent;
    const int nBlockAlign = m_pnBlockAlign[nIndex];
    const ChunkPlan plan = PlanChunks(m_pnDataBytes[nIndex] / nBlockAlign / kFrameSamples);
    const std::string sPath = m_pszPath;
    const std::string sTempPath = TempPathOf(nIndex);

    ui.SetLabelText(TailOfPath(sPath));
    ui.ShowLabel(true);

    std::unique_ptr<IFile> pInput;
    if (const int nError = files.OpenRead(sPath, &pInput); nError != 0) {
        return FailJob(SystemErrorText(nError) + sPath);
    }
    if (const int nError = pInput->Seek(m_pnDataOffset[nIndex]); nError != 0) {
        return FailJob(SystemErrorText(nError) + sPath);
    }
    std::unique_ptr<IFile> pTemp;
    if (const int nError = files.CreateNew(sTempPath, &pTemp); nError != 0) {
        return FailJob(SystemErrorText(nError) + sTempPath);
    }
    m_abTempMade[static_cast<std::size_t>(nIndex)] = 1;
    // A failure once the temporary file exists removes it, so that no partial result is
    // saved; the message names the file whose read or write failed.
    auto fail = [&](int nError, bool bInput) {
        pTemp.reset();
        DeleteTempFile(nIndex);
        return FailJob(SystemErrorText(nError) + (bInput ? sPath : sTempPath));
    };

    ui.SetBarRange(ProgressBar::File, plan.m_nTotal);
    ui.SetBarStep(ProgressBar::File, plan.m_nChunk);
    ui.SetBarStep(ProgressBar::Total, plan.m_nChunk);
    CChunkEncoder encoder(nBlockAlign, kLargeChunk);
    bool bStopped = false;
    bool bInput = false;
    for (std::uint64_t c = 0; c < plan.m_nChunks; ++c) {
        if (const int nError = EncodeChunk(*pInput, *pTemp, encoder, plan.m_nChunk, &bInput);
            nError != 0) {
            return fail(nError, bInput);
        }
        ui.StepBar(ProgressBar::File);
        ui.StepBar(ProgressBar::Total);
        if (m_bStop) {
            bStopped = true;
            break;
        }
    }
    // The rest is encoded after a stop too, from where the chunks left the input.
    if (plan.m_nRest > 0) {
        ui.SetBarStep(ProgressBar::Total, plan.m_nRest);
        if (const int nError = EncodeChunk(*pInput, *pTemp, encoder, plan.m_nRest, &bInput);
            nError != 0) {
            return fail(nError, bInput);
        }
        bStopped = bStopped || m_bStop;
        ui.StepBar(ProgressBar::Total);
    }

    pInput.reset();
    if (const int nError = pTemp->Close(); nError != 0) {
        return fail(nError, false);
    }
    if (bStopped) {
        m_bJobStopped = true;
        DeleteTempFile(nIndex);
    }
    ui.SetBarPosition(ProgressBar::File, 0);
    ui.ShowLabel(false);
    return bStopped;
}

} // namespace veltrane
