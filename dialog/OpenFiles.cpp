// SPDX-License-Identifier: BSD-3-Clause
// File selection: the open dialog's answer becomes the source folder and the list of names,
// and the folder for the temporary files is chosen.
#include "dialog/ConverterDlg.h"

#include <filesystem>

namespace veltrane {

namespace {

const OpenDialogRequest kOpenRequest{
    {{"Файлы Microsoft PCM (*.wav)", "*.wav"}, {"Файлы Veltrane(*.wrm)", "*.wrm"}}, "wav", true};

struct Selection {
    std::string m_sFolder;
    std::vector<std::string> m_names;
    std::size_t m_nLength = 0; // bytes of the answer that the selection takes, NULs included
};

// Splits the answer at its NULs. One file when the name follows a "/" of the path; several
// when it follows the NUL that ends the folder: then every name up to the empty one that ends
// the list is kept, whatever its ending. false when the answer holds no name.
bool SplitAnswer(const OpenDialogAnswer& answer, Selection* pSelection) {
    const std::string& sBuffer = answer.m_sBuffer;
    const std::size_t nOffset = answer.m_nFileOffset;
    if (nOffset == 0 || nOffset >= sBuffer.size()) {
        return false;
    }
    pSelection->m_sFolder = sBuffer.substr(0, nOffset - 1);
    std::size_t nStart = nOffset;
    if (sBuffer[nOffset - 1] != '\0') {
        const std::size_t nEnd = std::min(sBuffer.find('\0', nStart), sBuffer.size());
        pSelection->m_names.push_back(sBuffer.substr(nStart, nEnd - nStart));
        pSelection->m_nLength = std::min(nEnd + 1, sBuffer.size());
        return !pSelection->m_names.back().empty();
    }
    while (nStart < sBuffer.size() && sBuffer[nStart] != '\0') {
        const std::size_t nEnd = std::min(sBuffer.find('\0', nStart), sBuffer.size());
        pSelection->m_names.push_back(sBuffer.substr(nStart, nEnd - nStart));
        nStart = nEnd + 1;
    }
    pSelection->m_nLength = std::min(nStart + 1, sBuffer.size());
    return !pSelection->m_names.empty();
}

// sFolder made absolute against sCurrentDir now, so that the temporary files stay where they
// are made when a save dialog later moves the current directory.
std::string AbsoluteFolder(const std::string& sCurrentDir, const std::string& sFolder) {
    return std::filesystem::path(AbsolutePath(sCurrentDir, sFolder)).lexically_normal().string();
}

} // namespace

// The temporary files go to a folder made for the batch in the first of these folders that
// takes it: the selection's folder, then the system's temporary folders (TEMP, TMPDIR, /tmp).
// Making that folder is the probe of whether a folder can take temporary files: it makes a name
// that nobody has, so nothing that exists in a shared folder is opened, emptied or removed, and
// two batches never share a name. Where no folder takes one, the temporary files are made in the
// first system folder all the same (each under a new name), and the job that cannot reports it.
void CConverterDlg::ChooseTempFolder() {
    IFileSystem& files = m_platform.m_files;
    std::vector<std::string> folders{m_pszSourceDir};
    for (const std::string& sFolder : TemporaryFolders(m_platform.m_environment)) {
        folders.push_back(AbsoluteFolder(files.CurrentDirectory(), sFolder));
    }
    for (const std::string& sFolder : folders) {
        if (files.MakePrivateFolder(sFolder, &m_sPrivateDir) == 0) {
            m_pszTempDir = WithTrailingSlash(m_sPrivateDir);
            return;
        }
    }
    m_sPrivateDir.clear();
    m_pszTempDir = WithTrailingSlash(folders[1]);
}

void CConverterDlg::OnOpenFiles(std::intptr_t, std::intptr_t) {
    m_pszSourceDir.clear();
    m_pszTempDir.clear();
    m_ppszFiles.clear();
    m_pszPath.clear();
    m_abTempMade.clear();
    RemovePrivateFolder();
    m_nFiles = 0;

    OpenDialogAnswer answer;
    Selection selection;
    const bool bChosen =
        m_platform.m_ui.ShowOpenDialog(kOpenRequest, &answer) && SplitAnswer(answer, &selection);
    if (!bChosen) {
        // The idle look, without touching the recorded looks.
        m_bBusy = false;
        m_bBatchRunning = false;
        m_platform.m_ui.SetButtonPushed(Button::Compress, false);
        m_platform.m_ui.SetButtonPushed(Button::Stop, true);
        return;
    }
    m_pszSelection = answer.m_sBuffer.substr(0, selection.m_nLength);
    m_pszSourceDir = WithTrailingSlash(selection.m_sFolder);
    ChooseTempFolder();
    m_ppszFiles = std::move(selection.m_names);
    m_nFiles = static_cast<int>(m_ppszFiles.size());
    m_platform.m_loop.PostMessage(MSG_VALIDATE_FILES, 1, 0);
}

} // namespace veltrane
