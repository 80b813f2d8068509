// SPDX-License-Identifier: BSD-3-Clause
// A user interface for tests: the user's answers to the open and save dialogs are given in
// advance, and every visible effect is recorded in order as one line of text:
//   "MessageBox CAPTION: TEXT", "OpenDialog", "SaveDialog PROPOSED",
//   "FileBar.Range N", "FileBar.Step N", "FileBar.StepIt", "FileBar.Position N" (and TotalBar),
//   "Label.Text TEXT", "Label.Show", "Label.Hide",
//   "Compress.Pushed 0|1" (Stop, Exit), "Save.Checked 0|1" (SaveAs), "EndDialog RESULT".
#pragma once

#include "platform/FileSystem.h"
#include "platform/UserInterface.h"

#include <deque>
#include <functional>
#include <mutex>
#include <optional>

namespace veltrane {

struct MessageBoxRecord {
    std::string m_sText;
    std::string m_sCaption;
    bool operator==(const MessageBoxRecord&) const = default;
};

struct BarState {
    std::uint64_t m_nUpper = 0;
    std::uint64_t m_nStep = 10; // a new bar steps by 10, as the system's bars do
    std::uint64_t m_nPosition = 0;
};

class CScriptedUi : public IUserInterface {
  public:
    // The dialogs move the current directory of files, as the real ones do.
    explicit CScriptedUi(IFileSystem& files) : m_files(files) {}

    // The next open dialog returns these files: one full path, or several files of one folder.
    void AnswerOpen(const std::vector<std::string>& paths);
    // The next open dialog returns exactly this answer and leaves sFolder current.
    void AnswerOpenRaw(OpenDialogAnswer answer, std::string sFolder);
    void CancelOpen();
    // The next save dialog returns sPath, resolved against the current directory of that
    // moment, with the default extension added when its name has no dot.
    void AnswerSave(const std::string& sPath);
    // The next save dialog is confirmed with its proposed name, in the current directory.
    void AcceptSave();
    void CancelSave();

    std::vector<std::string> Events() const;
    std::vector<MessageBoxRecord> MessageBoxes() const;
    BarState Bar(ProgressBar bar) const;
    std::string LabelText() const;
    bool LabelVisible() const;
    bool Pushed(Button button) const;
    bool Checked(Button button) const;
    // Dialogs shown with no answer left in the script (they were cancelled).
    int UnscriptedDialogs() const;
    // Called with every event just after it is recorded, on the thread that caused it: the
    // moment for a test to act as the user would (press Stop while a chunk is encoded).
    void SetHook(std::function<void(const std::string&)> hook);

    void ShowMessageBox(const std::string& sText, const std::string& sCaption) override;
    bool ShowOpenDialog(const OpenDialogRequest& request, OpenDialogAnswer* pAnswer) override;
    bool ShowSaveDialog(const SaveDialogRequest& request, std::string* psPath) override;
    void SetBarRange(ProgressBar bar, std::uint64_t nUpper) override;
    void SetBarStep(ProgressBar bar, std::uint64_t nStep) override;
    void StepBar(ProgressBar bar) override;
    void SetBarPosition(ProgressBar bar, std::uint64_t nPosition) override;
    void SetLabelText(const std::string& sText) override;
    void ShowLabel(bool bShow) override;
    void SetButtonPushed(Button button, bool bPushed) override;
    void SetButtonChecked(Button button, bool bChecked) override;
    void EndDialog(int nResult) override;

  private:
    enum class SaveKind { Path, Proposed, Cancel };
    struct SaveAnswer {
        SaveKind m_kind;
        std::string m_sPath;
    };
    struct OpenAnswer {
        OpenDialogAnswer m_answer;
        std::string m_sFolder;
    };

    // Records the event; the hook runs after the lock is released.
    void Record(std::string sEvent);
    BarState& BarOf(ProgressBar bar) { return bar == ProgressBar::File ? m_fileBar : m_totalBar; }
    std::string ResolveSave(const SaveDialogRequest& request, const SaveAnswer& answer) const;

    IFileSystem& m_files;
    mutable std::mutex m_mutex;
    std::deque<std::optional<OpenAnswer>> m_openAnswers;
    std::deque<SaveAnswer> m_saveAnswers;
    std::vector<std::string> m_events;
    std::vector<MessageBoxRecord> m_boxes;
    BarState m_fileBar;
    BarState m_totalBar;
    std::string m_sLabel;
    bool m_bLabelVisible = false;
    bool m_abPushed[5] = {};
    bool m_abChecked[5] = {};
    int m_nUnscripted = 0;
    std::function<void(const std::string&)> m_hook;
};

} // namespace veltrane
