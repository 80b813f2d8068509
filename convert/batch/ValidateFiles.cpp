// Validation of every file of a new batch: the header check of each, one message box per
// rejected file, the batch compacted to the accepted files, the batch bar's range.
#include "convert/WavHeader.h"
#include "convert/batch/ConverterDlg.h"

namespace veltrane {

namespace {

// The header check's view of an open file. A failed read gives no bytes (so the check sees
// zeros) and is remembered, so that the file is reported with the system's text rather than
// judged from bytes that were never read.
class CFileSource : public CByteSource {
  public:
    explicit CFileSource(IFile& file) : m_file(file) {}

    std::size_t ReadAt(std::uint64_t nOffset, void* pBuffer, std::size_t nBytes) override {
        std::size_t nRead = 0;
        int nError = m_file.Seek(nOffset);
        if (nError == 0) {
            nError = m_file.Read(pBuffer, nBytes, &nRead);
        }
        if (nError != 0 && m_nError == 0) {
            m_nError = nError;
        }
        return nError == 0 ? nRead : 0;
    }

    std::uint64_t Size() {
        std::uint64_t nSize = 0;
        if (const int nError = m_file.Size(&nSize); nError != 0 && m_nError == 0) {
            m_nError = nError;
        }
        return nSize;
    }

    int Error() const { return m_nError; }

  private:
    IFile& m_file;
    int m_nError = 0;
};

struct Verdict {
    std::string m_sMessage; // empty when the file is accepted
    WavFormat m_format;     // m_nDataBytes clamped to what the file holds
};

Verdict CheckFile(IFileSystem& files, const std::string& sPath) {
    std::unique_ptr<IFile> pFile;
    if (const int nError = files.OpenRead(sPath, &pFile); nError != 0) {
        return {SystemErrorText(nError), {}};
    }
    CFileSource source(*pFile);
    const WavCheckResult result = CheckWavHeader(source);
    const std::uint64_t nFileSize = source.Size();
    if (source.Error() != 0) {
        return {SystemErrorText(source.Error()), {}};
    }
    if (!result.Accepted()) {
        return {result.m_pszMessage, {}};
    }
    WavFormat format = result.m_format;
    format.m_nDataBytes = AvailableDataBytes(format, nFileSize);
    return {"", format};
}

} // namespace

void CConverterDlg::OnValidateFiles(std::intptr_t, std::intptr_t) {
    if (!m_pnBlockAlign.empty() || !m_pnDataOffset.empty() || !m_pnDataBytes.empty()) {
        return; // an earlier batch has not been finished
    }
    std::vector<std::string> names;
    std::vector<int> blockAligns;
    std::vector<std::uint64_t> dataOffsets;
    std::vector<std::uint64_t> dataBytes;
    for (int i = 0; i < m_nFiles; ++i) {
        m_nCurrent = i;
        m_pszPath = m_pszSourceDir + m_ppszFiles[i];
        const Verdict verdict = CheckFile(m_platform.m_files, m_pszPath);
        if (!verdict.m_sMessage.empty()) {
            ShowError(verdict.m_sMessage + m_pszPath);
            continue;
        }
        names.push_back(m_ppszFiles[i]);
        blockAligns.push_back(verdict.m_format.m_nBlockAlign);
        dataOffsets.push_back(verdict.m_format.m_nDataOffset);
        dataBytes.push_back(verdict.m_format.m_nDataBytes);
    }

    std::uint64_t nTotalFrames = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        nTotalFrames += WholeFrames(dataBytes[i], blockAligns[i]);
    }
    m_ppszFiles = std::move(names);
    m_pnBlockAlign = std::move(blockAligns);
    m_pnDataOffset = std::move(dataOffsets);
    m_pnDataBytes = std::move(dataBytes);
    m_nFiles = static_cast<int>(m_ppszFiles.size());
    m_abTempMade.assign(m_ppszFiles.size(), 0);

    m_platform.m_ui.SetBarRange(ProgressBar::Total, nTotalFrames);
    m_nCurrent = 0;
    m_platform.m_loop.PostMessage(MSG_ENCODE_NEXT, 0, 0);
}

} // namespace veltrane
