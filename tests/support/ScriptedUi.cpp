// SPDX-License-Identifier: BSD-3-Clause
#include "tests/support/ScriptedUi.h"

namespace veltrane {

namespace {

std::string BarName(ProgressBar bar) {
    return bar == ProgressBar::File ? "FileBar" : "TotalBar";
}

std::string ButtonName(Button button) {
    static const char* const kNames[] = {"Compress", "Stop", "Exit", "Save", "SaveAs"};
    return kNames[static_cast<int>(button)];
}

} // namespace

void CScriptedUi::AnswerOpen(const std::vector<std::string>& paths) {
    AnswerOpenRaw(AnswerOfFiles(paths), FolderOf(paths.front()));
}

void CScriptedUi::AnswerOpenRaw(OpenDialogAnswer answer, std::string sFolder) {
    std::lock_guard lock(m_mutex);
    m_openAnswers.push_back(OpenAnswer{std::move(answer), std::move(sFolder)});
}

void CScriptedUi::CancelOpen() {
    std::lock_guard lock(m_mutex);
    m_openAnswers.push_back(std::nullopt);
}

void CScriptedUi::AnswerSave(const std::string& sPath) {
    std::lock_guard lock(m_mutex);
    m_saveAnswers.push_back(SaveAnswer{SaveKind::Path, sPath});
}

void CScriptedUi::AcceptSave() {
    std::lock_guard lock(m_mutex);
    m_saveAnswers.push_back(SaveAnswer{SaveKind::Proposed, ""});
}

void CScriptedUi::CancelSave() {
    std::lock_guard lock(m_mutex);
    m_saveAnswers.push_back(SaveAnswer{SaveKind::Cancel, ""});
}

std::vector<std::string> CScriptedUi::Events() const {
    std::lock_guard lock(m_mutex);
    return m_events;
}

std::vector<MessageBoxRecord> CScriptedUi::MessageBoxes() const {
    std::lock_guard lock(m_mutex);
    return m_boxes;
}

BarState CScriptedUi::Bar(ProgressBar bar) const {
    std::lock_guard lock(m_mutex);
    return bar == ProgressBar::File ? m_fileBar : m_totalBar;
}

std::string CScriptedUi::LabelText() const {
    std::lock_guard lock(m_mutex);
    return m_sLabel;
}

bool CScriptedUi::LabelVisible() const {
    std::lock_guard lock(m_mutex);
    return m_bLabelVisible;
}

bool CScriptedUi::Pushed(Button button) const {
    std::lock_guard lock(m_mutex);
    return m_abPushed[static_cast<int>(button)];
}

bool CScriptedUi::Checked(Button button) const {
    std::lock_guard lock(m_mutex);
    return m_abChecked[static_cast<int>(button)];
}

int CScriptedUi::UnscriptedDialogs() const {
    std::lock_guard lock(m_mutex);
    return m_nUnscripted;
}

void CScriptedUi::SetHook(std::function<void(const std::string&)> hook) {
    std::lock_guard lock(m_mutex);
    m_hook = std::move(hook);
}

void CScriptedUi::Record(std::string sEvent) {
    std::function<void(const std::string&)> hook;
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(sEvent);
        hook = m_hook;
    }
    if (hook) {
        hook(sEvent);
    }
}

void CScriptedUi::ShowMessageBox(const std::string& sText, const std::string& sCaption) {
    {
        std::lock_guard lock(m_mutex);
        m_boxes.push_back(MessageBoxRecord{sText, sCaption});
    }
    Record("MessageBox " + sCaption + ": " + sText);
}

bool CScriptedUi::ShowOpenDialog(const OpenDialogRequest&, OpenDialogAnswer* pAnswer) {
    Record("OpenDialog");
    std::optional<OpenAnswer> answer;
    {
        std::lock_guard lock(m_mutex);
        if (m_openAnswers.empty()) {
            ++m_nUnscripted;
            return false;
        }
        answer = std::move(m_openAnswers.front());
        m_openAnswers.pop_front();
    }
    if (!answer) {
        return false;
    }
    m_files.SetCurrentDirectory(answer->m_sFolder);
    *pAnswer = std::move(answer->m_answer);
    return true;
}

std::string CScriptedUi::ResolveSave(const SaveDialogRequest& request,
                                     const SaveAnswer& answer) const {
    std::string sPath =
        answer.m_kind == SaveKind::Proposed ? request.m_sProposedName : answer.m_sPath;
    sPath = AbsolutePath(m_files.CurrentDirectory(), sPath);
    if (NameOf(sPath).find('.') == std::string::npos && !request.m_sDefaultExtension.empty()) {
        sPath += "." + request.m_sDefaultExtension;
    }
    return sPath;
}

bool CScriptedUi::ShowSaveDialog(const SaveDialogRequest& request, std::string* psPath) {
    Record("SaveDialog " + request.m_sProposedName);
    SaveAnswer answer{SaveKind::Cancel, ""};
    {
        std::lock_guard lock(m_mutex);
        if (m_saveAnswers.empty()) {
            ++m_nUnscripted;
            return false;
        }
        answer = m_saveAnswers.front();
        m_saveAnswers.pop_front();
    }
    if (answer.m_kind == SaveKind::Cancel) {
        return false;
    }
    *psPath = ResolveSave(request, answer);
    m_files.SetCurrentDirectory(FolderOf(*psPath));
    return true;
}

void CScriptedUi::SetBarRange(ProgressBar bar, std::uint64_t nUpper) {
    {
        std::lock_guard lock(m_mutex);
        BarOf(bar).m_nUpper = nUpper;
    }
    Record(BarName(bar) + ".Range " + std::to_string(nUpper));
}

void CScriptedUi::SetBarStep(ProgressBar bar, std::uint64_t nStep) {
    {
        std::lock_guard lock(m_mutex);
        BarOf(bar).m_nStep = nStep;
    }
    Record(BarName(bar) + ".Step " + std::to_string(nStep));
}

void CScriptedUi::StepBar(ProgressBar bar) {
    {
        std::lock_guard lock(m_mutex);
        BarState& state = BarOf(bar);
        state.m_nPosition += state.m_nStep;
    }
    Record(BarName(bar) + ".StepIt");
}

void CScriptedUi::SetBarPosition(ProgressBar bar, std::uint64_t nPosition) {
    {
        std::lock_guard lock(m_mutex);
        BarOf(bar).m_nPosition = nPosition;
    }
    Record(BarName(bar) + ".Position " + std::to_string(nPosition));
}

void CScriptedUi::SetLabelText(const std::string& sText) {
    {
        std::lock_guard lock(m_mutex);
        m_sLabel = sText;
    }
    Record("Label.Text " + sText);
}

void CScriptedUi::ShowLabel(bool bShow) {
    {
        std::lock_guard lock(m_mutex);
        m_bLabelVisible = bShow;
    }
    Record(bShow ? "Label.Show" : "Label.Hide");
}

void CScriptedUi::SetButtonPushed(Button button, bool bPushed) {
    {
        std::lock_guard lock(m_mutex);
        m_abPushed[static_cast<int>(button)] = bPushed;
    }
    Record(ButtonName(button) + ".Pushed " + (bPushed ? "1" : "0"));
}

void CScriptedUi::SetButtonChecked(Button button, bool bChecked) {
    {
        std::lock_guard lock(m_mutex);
        m_abChecked[static_cast<int>(button)] = bChecked;
    }
    Record(ButtonName(button) + ".Checked " + (bChecked ? "1" : "0"));
}

void CScriptedUi::EndDialog(int nResult) {
    Record("EndDialog " + std::to_string(nResult));
}

} // namespace veltrane
