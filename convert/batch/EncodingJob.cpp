// The encoding job: one validated file, read in chunks, encoded frame by frame with a fresh
// encoder, written to its temporary file, with both progress bars and the Stop request.
#include "codec/SpeechEncoder.h"
#include "convert/SampleConversion.h"
#include "convert/batch/ConverterDlg.h"

#include <cerrno>

namespace veltrane {

namespace {

constexpr std::uint64_t kLargeChunk = 100;
constexpr std::uint64_t kSmallChunk = 20;
constexpr std::uint64_t kLargeChunkFrom = 1000; // frames

static_assert(sizeof(EncodedFrame) == kFrameBytes, "frames are written back to back");

// The encoder and the buffers of one file, sized for the largest chunk.
class CChunkEncoder {
  public:
    CChunkEncoder(IFile& input, IFile& output, int nBlockAlign)
        : m_input(input), m_output(output), m_nBlockAlign(nBlockAlign),
          m_bytes(kLargeChunk * kFrameSamples * nBlockAlign),
          m_samples(kLargeChunk * kFrameSamples), m_frames(kLargeChunk),
          m_pEncoder(std::make_unique<CSpeechEncoder>()) {}

    // Reads, encodes and writes nFrames frames. On failure *pbInput tells whether reading the
    // input (rather than writing the output) failed.
    int Run(std::uint64_t nFrames, bool* pbInput) {
        const std::size_t nBytes = nFrames * kFrameSamples * m_nBlockAlign;
        std::size_t nRead = 0;
        *pbInput = true;
        if (const int nError = m_input.Read(m_bytes.data(), nBytes, &nRead); nError != 0) {
            return nError;
        }
        if (nRead != nBytes) {
            return EIO; // the file shrank after its check: never save a result cut short
        }
        ConvertSamples({m_bytes.data(), nBytes}, m_nBlockAlign, m_samples);
        for (std::size_t f = 0; f < nFrames; ++f) {
            m_pEncoder->EncodeFrame(&m_samples[f * kFrameSamples], &m_frames[f]);
        }
        *pbInput = false;
        return m_output.Write(m_frames.data(), nFrames * kFrameBytes);
    }

  private:
    IFile& m_input;
    IFile& m_output;
    int m_nBlockAlign;
    std::vector<std::uint8_t> m_bytes;
    std::vector<std::int16_t> m_samples;
    std::vector<EncodedFrame> m_frames;
    std::unique_ptr<CSpeechEncoder> m_pEncoder; // large: kept off the worker's stack
};

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
    std::size_t nStart = sPath.size();
    for (std::size_t nChars = 0; nStart > 0 && nChars < kLabelChars; ++nChars) {
        do {
            --nStart;
        } while (nStart > 0 && (static_cast<unsigned char>(sPath[nStart]) & 0xC0) == 0x80);
    }
    return sPath.substr(nStart);
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
    if (const int nError = files.Create(sTempPath, &pTemp); nError != 0) {
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
    CChunkEncoder encoder(*pInput, *pTemp, nBlockAlign);
    bool bStopped = false;
    bool bInput = false;
    for (std::uint64_t c = 0; c < plan.m_nChunks; ++c) {
        if (const int nError = encoder.Run(plan.m_nChunk, &bInput); nError != 0) {
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
        if (const int nError = encoder.Run(plan.m_nRest, &bInput); nError != 0) {
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
