// File selection: the open dialog's answer becomes the source folder and the list of names,
// and the folder for the temporary files is chosen.
#include "dialog/ConverterDlg.h"

#include <cerrno>
#include <filesystem>

namespace veltrane {

namespace {

const OpenDialogRequest kOpenRequest{
    {{"Файлы Microsoft PCM (*.wav)", "*.wav"}, {"Файлы Veltrane(*.wrm)", "*.wrm"}}, "wav", true};

// The probe: the first file's temporary name, created in the source folder to learn whether
// that folder can be written.
constexpr const char* kProbeName = "tmp0.~rm";
// Beside the temporary files: locked by the batch that uses them, for as long as it runs.
constexpr const char* kLockName = "tmp.~lock";

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

// The first of the system's temporary folders (TEMP, TMPDIR, /tmp) whose lock can be taken: one
// that is missing or cannot be written is passed over. The errno of the last lock; when none could
// be taken, *psFolder is the first folder, whose failure the first job that writes there reports.
int LockSystemTempFolder(IFileSystem& files, const IEnvironment& environment, std::string* psFolder,
                         std::unique_ptr<IFileLock>* ppLock) {
    const std::vector<std::string> folders = TemporaryFolders(environment);
    int nError = ENOENT;
    for (const std::string& sFolder : folders) {
        *psFolder = WithTrailingSlash(AbsoluteFolder(files.CurrentDirectory(), sFolder));
        nError = files.Lock(*psFolder + kLockName, ppLock);
        if (nError == 0 || nError == EWOULDBLOCK) {
            return nError;
        }
    }
    *psFolder = WithTrailingSlash(AbsoluteFolder(files.CurrentDirectory(), folders.front()));
    return nError;
}

} // namespace

// The temporary files go to the current directory, which the open dialog has made the
// selection's folder, when that folder can be written; else to the first of the system's
// temporary folders that can.
// The folder's lock is taken before anything is written there, so that a batch of another
// window that uses the same names is never disturbed: its temporary files, the first of which
// bears the probe's name, are left as they are and this batch is refused. The probe is removed
// at once, so that a batch that encodes nothing leaves nothing behind.
bool CConverterDlg::ChooseTempFolder() {
    IFileSystem& files = m_platform.m_files;
    m_pszTempDir = WithTrailingSlash(files.CurrentDirectory());
    int nError = files.Lock(m_pszTempDir + kLockName, &m_pTempLock);
    if (nError == 0) {
        m_pszPath = m_pszSourceDir + kProbeName;
        std::unique_ptr<IFile> pProbe;
        nError = files.Create(m_pszPath, &pProbe);
        if (nError == 0) {
            pProbe->Close();
            files.Delete(m_pszPath);
        } else {
            m_pTempLock.reset();
        }
    }
    if (nError != 0 && nError != EWOULDBLOCK) {
        nError = LockSystemTempFolder(files, m_platform.m_environment, &m_pszTempDir, &m_pTempLock);
    }
    if (nError == EWOULDBLOCK) {
        ShowError(kMsgTempFilesInUse + m_pszTempDir);
        return false;
    }
    return true;
}

void CConverterDlg::OnOpenFiles(std::intptr_t, std::intptr_t) {
    m_pszSourceDir.clear();
    m_pszTempDir.clear();
    m_ppszFiles.clear();
    m_pszPath.clear();
    m_abTempMade.clear();
    m_pTempLock.reset();
    m_nFiles = 0;

    OpenDialogAnswer answer;
    Selection selection;
    const bool bChosen =
        m_platform.m_ui.ShowOpenDialog(kOpenRequest, &answer) && SplitAnswer(answer, &selection);
    if (bChosen) {
        m_pszSelection = answer.m_sBuffer.substr(0, selection.m_nLength);
        m_pszSourceDir = WithTrailingSlash(selection.m_sFolder);
    }
    if (!bChosen || !ChooseTempFolder()) {
        // The idle look, without touching the recorded looks.
        m_pszSourceDir.clear();
        m_pszTempDir.clear();
        m_pszPath.clear();
        m_bBusy = false;
        m_bBatchRunning = false;
        m_platform.m_ui.SetButtonPushed(Button::Compress, false);
        m_platform.m_ui.SetButtonPushed(Button::Stop, true);
        return;
    }
    m_ppszFiles = std::move(selection.m_names);
    m_nFiles = static_cast<int>(m_ppszFiles.size());
    m_platform.m_loop.PostMessage(MSG_VALIDATE_FILES, 1, 0);
}

} // namespace veltrane
