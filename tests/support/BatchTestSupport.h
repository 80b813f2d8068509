// SPDX-License-Identifier: BSD-3-Clause
// A fixture that holds a dialog over the scripted platform in a fresh folder, with the WAV
// builders of WavBytes.h.
#pragma once

#include "dialog/ConverterDlg.h"
#include "tests/support/ScriptedPlatform.h"
#include "tests/support/TestFolder.h"
#include "tests/support/WavBytes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace veltrane::test {

inline std::vector<std::string> Tail(const std::vector<std::string>& events, std::size_t nFrom) {
    return {events.begin() + static_cast<std::ptrdiff_t>(std::min(nFrom, events.size())),
            events.end()};
}

inline std::vector<std::string> Last(const std::vector<std::string>& events, std::size_t nCount) {
    return Tail(events, events.size() - std::min(nCount, events.size()));
}

class BatchTest : public ::testing::Test {
  protected:
    // A file of the test's folder with these bytes; its path.
    std::string Put(const std::string& sName, const Bytes& bytes) {
        const std::string sPath = m_folder.Make(sName);
        WriteBytes(sPath, bytes);
        return sPath;
    }

    // The user picks these files and the batch is validated, as messages 101 and 100 do.
    void SelectAndValidate(const std::vector<std::string>& paths) {
        m_ui.AnswerOpen(paths);
        m_dlg.m_bBusy = true;
        m_dlg.OnOpenFiles(1, 0);
        ASSERT_EQ(m_platform.Loop().Pending(),
                  (std::vector<PostedMessage>{{MSG_VALIDATE_FILES, 1, 0}}));
        ASSERT_TRUE(m_platform.Loop().HandleOne());
    }

    // What the controller does before it starts the worker for file nIndex.
    void PrepareJob(int nIndex) {
        m_dlg.m_nCurrent = nIndex;
        m_dlg.m_pszPath = m_dlg.m_pszSourceDir + m_dlg.m_ppszFiles[nIndex];
    }

    std::size_t EventCount() const { return m_ui.Events().size(); }

    // The folders "src/" (m_sSource) and "out/" (m_sOut) of the test's folder.
    void MakeSourceAndOut() {
        m_sSource = m_folder.Make("src/");
        m_sOut = m_folder.Make("out/");
        std::filesystem::create_directories(m_sOut);
    }

    // Runs action once, the first time the user interface records sEvent.
    void OnFirstEvent(const std::string& sEvent, std::function<void()> action) {
        m_ui.SetHook(
            [sEvent, action = std::move(action), bDone = false](const std::string& sSeen) mutable {
                if (!bDone && sSeen == sEvent) {
                    bDone = true;
                    action();
                }
            });
    }

    CTestFolder m_folder;
    CScriptedPlatform m_platform;
    CScriptedUi& m_ui = m_platform.Ui();
    CFaultyFileSystem& m_files = m_platform.Files();
    CConverterDlg m_dlg{m_platform.Get()};
    std::string m_sSource;
    std::string m_sOut;
};

} // namespace veltrane::test
