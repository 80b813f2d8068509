// SPDX-License-Identifier: BSD-3-Clause
// What the conversion shows the user: message boxes, the open and save dialogs, the two
// progress bars, the label of the current file and the looks of the buttons. Every operation
// may be called from the worker thread as well; the implementation carries it out on the
// dialog's thread and returns when it is done (a message box when the user has closed it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace veltrane {

enum class Button { Compress, Stop, Exit, Save, SaveAs };
// Results of a dialog's modal run.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
enum class ProgressBar { File, Total };

struct FileFilter {
    std::string m_sText;    // what the user reads
    std::string m_sPattern; // "*.wav"
};

struct OpenDialogRequest {
    std::vector<FileFilter> m_filters; // the first is shown first
    std::string m_sDefaultExtension;   // without the dot
    bool m_bMultiple = true;
};

// The open dialog's answer. One file: its full path, NUL; m_nFileOffset is where its name
// starts, m_nExtensionOffset is not 0. Several files: the folder, NUL, each name followed by its
// NUL, then one more NUL; m_nFileOffset is where the first name starts, m_nExtensionOffset is 0.
struct OpenDialogAnswer {
    std::string m_sBuffer;
    std::size_t m_nFileOffset = 0;
    std::size_t m_nExtensionOffset = 0;
};

// The answer an open dialog gives for these files: one full path, or several files of one folder.
OpenDialogAnswer AnswerOfFiles(const std::vector<std::string>& paths);

struct SaveDialogRequest {
    std::vector<FileFilter> m_filters;
    std::string m_sDefaultExtension; // added when the user types a name without one
    std::string m_sProposedName;
};

class IUserInterface {
  public:
    virtual ~IUserInterface() = default;

    // A modal box owned by the dialog, with one OK button.
    virtual void ShowMessageBox(const std::string& sText, const std::string& sCaption) = 0;

    // false: cancelled (or the dialog failed). true: *pAnswer in the layout above, and the
    // selection's folder is the current directory of the file system.
    virtual bool ShowOpenDialog(const OpenDialogRequest& request, OpenDialogAnswer* pAnswer) = 0;
    // false: cancelled. true: *psPath is the chosen full path, the user has agreed to replace
    // a file of that name, and the chosen folder is the current directory of the file system.
    virtual bool ShowSaveDialog(const SaveDialogRequest& request, std::string* psPath) = 0;

    // Progress bars; the lower bound is always 0. Values are never cut to 16 bits here.
    virtual void SetBarRange(ProgressBar bar, std::uint64_t nUpper) = 0;
    virtual void SetBarStep(ProgressBar bar, std::uint64_t nStep) = 0;
    virtual void StepBar(ProgressBar bar) = 0; // position += step
    virtual void SetBarPosition(ProgressBar bar, std::uint64_t nPosition) = 0;

    // The label that shows the file being encoded.
    virtual void SetLabelText(const std::string& sText) = 0;
    virtual void ShowLabel(bool bShow) = 0;

    // A push button drawn pushed in (or normal), without being held down.
    virtual void SetButtonPushed(Button button, bool bPushed) = 0;
    // The check mark of a radio button.
    virtual void SetButtonChecked(Button button, bool bChecked) = 0;

    // Ends the dialog's modal run with nResult (IDOK or IDCANCEL).
    virtual void EndDialog(int nResult) = 0;
};

} // namespace veltrane
