// SPDX-License-Identifier: BSD-3-Clause
#include "dialog/ConverterDlg.h"

namespace veltrane {

CConverterDlg::CConverterDlg(const Platform& platform) : m_platform(platform) {
    m_platform.m_loop.SetHandler(
        [this](unsigned nMessage, std::intptr_t nWParam, std::intptr_t nLParam) {
            WindowProc(nMessage, nWParam, nLParam);
        });
}

CConverterDlg::~CConverterDlg() {
    OnDestroy();
}

void CConverterDlg::WindowProc(unsigned nMessage, std::intptr_t nWParam, std::intptr_t nLParam) {
    switch (nMessage) {
    case MSG_ENCODE_NEXT:
        OnEncodeNext(nWParam, nLParam);
        break;
    case MSG_OPEN_FILES:
        OnOpenFiles(nWParam, nLParam);
        break;
    case MSG_VALIDATE_FILES:
        OnValidateFiles(nWParam, nLParam);
        break;
    default:
        break;
    }
}

bool CConverterDlg::OnCommand(int nId) {
    switch (nId) {
    case kIdCompress:
        OnCompress();
        return true;
    case kIdStop:
        OnStop();
        return true;
    case kIdExit:
        OnExit();
        return true;
    case kIdSave:
        OnSave();
        return true;
    case kIdSaveAs:
        OnSaveAs();
        return true;
    default:
        return false;
    }
}

std::string CConverterDlg::TempPathOf(int nIndex) const {
    return m_pszTempDir + "tmp" + std::to_string(nIndex) + ".~rm";
}

void CConverterDlg::DeleteTempFile(int nIndex) {
    const auto nAt = static_cast<std::size_t>(nIndex);
    if (nAt < m_abTempMade.size() && m_abTempMade[nAt] != 0) {
        m_platform.m_files.Delete(TempPathOf(nIndex));
        m_abTempMade[nAt] = 0;
    }
}

void CConverterDlg::ShowError(const std::string& sText) {
    m_platform.m_ui.ShowMessageBox(sText, kErrorCaption);
}

bool CConverterDlg::FailJob(const std::string& sText) {
    ShowError(sText);
    m_bBusy = false;
    return true;
}

} // namespace veltrane
