// SPDX-License-Identifier: BSD-3-Clause
// Validation of every file of a new batch: the header check of each, one message box per
// rejected file, the batch compacted to the accepted files, the batch bar's range.
#include "convert/WavFile.h"
#include "dialog/ConverterDlg.h"

namespace veltrane {

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
        CFileByteSource source;
        const CheckedWav wav = OpenCheckedWav(m_platform.m_files, source, m_pszPath);
        if (!wav.Accepted()) {
            ShowError(wav.m_strMessage + m_pszPath);
            continue;
        }
        names.push_back(m_ppszFiles[i]);
        blockAligns.push_back(wav.m_format.m_nBlockAlign);
        dataOffsets.push_back(wav.m_format.m_nDataOffset);
        dataBytes.push_back(wav.m_nDataBytes);
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
