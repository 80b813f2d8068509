// The save step: each temporary file is copied to its ".wrm" name, through a save dialog or
// under its proposed name, and the temporary file is deleted.
#include "convert/OutputName.h"
#include "dialog/ConverterDlg.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

namespace veltrane {

namespace {

constexpr std::size_t kCopyBlock = 1000;
// Shown, followed by the destination, when Save mode's automatic name would replace an input or
// an earlier result of the same batch.
constexpr const char* kMsgNameTaken = "Not saved: the name belongs to another file of this batch\n";
// The copy is made under this suffix beside the destination and renamed over it when complete,
// so that the destination is never left holding part of the frames.
constexpr const char* kPartialSuffix = ".~part";

// Copies all of source to sDestination. 0, or the errno of the read or write that failed; what
// was written is then removed and the destination is left as it was.
int CopyFile(IFileSystem& files, IFile& source, const std::string& sDestination) {
    const std::string sPartial = sDestination + kPartialSuffix;
    std::unique_ptr<IFile> pCopy;
    if (const int nError = files.Create(sPartial, &pCopy); nError != 0) {
        return nError;
    }
    auto fail = [&](int nError) {
        pCopy.reset();
        files.Delete(sPartial);
        return nError;
    };
    std::uint64_t nSize = 0;
    if (const int nError = source.Size(&nSize); nError != 0) {
        return fail(nError);
    }
    char achBlock[kCopyBlock];
    for (std::uint64_t nDone = 0; nDone < nSize;) {
        const std::size_t nWant =
            static_cast<std::size_t>(std::min<std::uint64_t>(kCopyBlock, nSize - nDone));
        std::size_t nRead = 0;
        if (const int nError = source.Read(achBlock, nWant, &nRead); nError != 0) {
            return fail(nError);
        }
        if (nRead != nWant) {
            return fail(EIO); // the file ended before its size: never save a short copy
        }
        if (const int nError = pCopy->Write(achBlock, nRead); nError != 0) {
            return fail(nError);
        }
        nDone += nRead;
    }
    if (const int nError = pCopy->Sync(); nError != 0) {
        return fail(nError);
    }
    if (const int nError = pCopy->Close(); nError != 0) {
        return fail(nError);
    }
    if (const int nError = files.Rename(sPartial, sDestination); nError != 0) {
        return fail(nError);
    }
    return 0;
}

std::string Normalized(const IFileSystem& files, const std::string& sPath) {
    return std::filesystem::path(AbsolutePath(files.CurrentDirectory(), sPath))
        .lexically_normal()
        .string();
}

// sWritten (absolute) is one of the batch's inputs or a destination that its save steps have
// already written.
bool IsTakenByBatch(const IFileSystem& files, const CConverterDlg& dlg,
                    const std::string& sWritten) {
    for (const std::string& sName : dlg.m_ppszFiles) {
        if (Normalized(files, dlg.m_pszSourceDir + sName) == sWritten) {
            return true;
        }
    }
    return std::find(dlg.m_asSavedPaths.begin(), dlg.m_asSavedPaths.end(), sWritten) !=
           dlg.m_asSavedPaths.end();
}

} // namespace

void CConverterDlg::SaveEncodedFile(bool bSaveMode, int nIndex) {
    IFileSystem& files = m_platform.m_files;
    const std::string sProposed = ProposedName(m_ppszFiles[nIndex]);
    const std::string sTempPath = TempPathOf(nIndex);

    if (nIndex == 0) {
        m_asSavedPaths.clear(); // file 0 starts the batch's save steps
    }
    if (m_bStop) {
        // Nothing of a stopped batch is saved, and nothing of it is left behind.
        m_bBusy = false;
        files.Delete(sTempPath);
        return;
    }
    std::string sDestination = sProposed; // a bare name: in the current directory
    const bool bAutomatic = bSaveMode && nIndex != 0;
    if (!bAutomatic) {
        const SaveDialogRequest request{{{"Veltrane (*.wrm)", "*.wrm"}}, "wrm", sProposed};
        if (!m_platform.m_ui.ShowSaveDialog(request, &sDestination)) {
            files.Delete(sTempPath);
            return;
        }
    }
    const std::string sWritten = Normalized(files, sDestination);
    if (bAutomatic && IsTakenByBatch(files, *this, sWritten)) {
        // No dialog has asked the user: an input or an earlier result of this batch is never
        // replaced under its feet. The frames stay in the temporary file.
        ShowError(kMsgNameTaken + sDestination);
        m_bBusy = false;
        return;
    }
    std::unique_ptr<IFile> pTemp;
    if (const int nError = files.OpenRead(sTempPath, &pTemp); nError != 0) {
        ShowError(SystemErrorText(nError) + sTempPath);
        m_bBusy = false;
        files.Delete(sTempPath);
        return;
    }
    if (const int nError = CopyFile(files, *pTemp, sDestination); nError != 0) {
        ShowError(SystemErrorText(nError) + sDestination);
        m_bBusy = false;
        return; // the temporary file stays, the only copy of the frames
    }
    pTemp.reset();
    files.Delete(sTempPath);
    m_asSavedPaths.push_back(sWritten);
}

} // namespace veltrane
