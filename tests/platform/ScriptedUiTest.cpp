// SPDX-License-Identifier: BSD-3-Clause
#include "tests/support/ScriptedPlatform.h"
#include "tests/support/TestFolder.h"

#include <gtest/gtest.h>

namespace veltrane {
namespace {

using namespace std::string_literals;

class ScriptedUiTest : public ::testing::Test {
  protected:
    test::CTestFolder m_folder;
    CScriptedPlatform m_platform;
    CScriptedUi& m_ui = m_platform.Ui();
};

TEST_F(ScriptedUiTest, OneFileAnswersWithTheFullPathAndMovesTheCurrentDirectory) {
    const std::string sRec = m_folder.Make("rec/");
    m_ui.AnswerOpen({sRec + "a.wav"});
    OpenDialogAnswer answer;
    ASSERT_TRUE(m_ui.ShowOpenDialog({}, &answer));
    EXPECT_EQ(answer.m_sBuffer, sRec + "a.wav\0"s);
    EXPECT_EQ(answer.m_nFileOffset, sRec.size());
    EXPECT_EQ(answer.m_nExtensionOffset, sRec.size() + 2);
    EXPECT_EQ(m_platform.Files().CurrentDirectory(), m_folder.Path() + "/rec");
}

TEST_F(ScriptedUiTest, SeveralFilesAnswerWithFolderNamesAndADoubleNul) {
    m_ui.AnswerOpen({m_folder.Path() + "/a.wav", m_folder.Path() + "/B.WAV"});
    OpenDialogAnswer answer;
    ASSERT_TRUE(m_ui.ShowOpenDialog({}, &answer));
    std::string sExpected = m_folder.Path();
    sExpected.append("\0a.wav\0B.WAV\0\0", 14);
    EXPECT_EQ(answer.m_sBuffer, sExpected);
    EXPECT_EQ(answer.m_nFileOffset, m_folder.Path().size() + 1);
    EXPECT_EQ(answer.m_nExtensionOffset, 0u);
}

TEST_F(ScriptedUiTest, AnswersAreUsedInOrderAndAnUnscriptedDialogIsCancelled) {
    m_ui.CancelOpen();
    m_ui.AnswerOpen({m_folder.Path() + "/noext"});
    OpenDialogAnswer answer;
    EXPECT_FALSE(m_ui.ShowOpenDialog({}, &answer));
    ASSERT_TRUE(m_ui.ShowOpenDialog({}, &answer));
    EXPECT_EQ(answer.m_nExtensionOffset, 0u); // a name without a dot, as the system reports it
    EXPECT_FALSE(m_ui.ShowOpenDialog({}, &answer));
    EXPECT_EQ(m_ui.UnscriptedDialogs(), 1);
}

TEST_F(ScriptedUiTest, SaveResolvesAddsTheDefaultExtensionAndMovesTheCurrentDirectory) {
    const std::string sOut = m_folder.Make("out/");
    ASSERT_EQ(m_platform.Files().SetCurrentDirectory(m_folder.Path()), 0);
    m_ui.AnswerSave("out/x");
    m_ui.AcceptSave();
    m_ui.CancelSave();
    const SaveDialogRequest request{{{"Veltrane (*.wrm)", "*.wrm"}}, "wrm", "a.wrm"};
    std::string sPath;
    ASSERT_TRUE(m_ui.ShowSaveDialog(request, &sPath));
    EXPECT_EQ(sPath, sOut + "x.wrm");
    EXPECT_EQ(m_platform.Files().CurrentDirectory(), m_folder.Path() + "/out");
    ASSERT_TRUE(m_ui.ShowSaveDialog(request, &sPath));
    EXPECT_EQ(sPath, sOut + "a.wrm");
    EXPECT_FALSE(m_ui.ShowSaveDialog(request, &sPath));
    EXPECT_EQ(m_ui.Events(), (std::vector<std::string>{"SaveDialog a.wrm", "SaveDialog a.wrm",
                                                       "SaveDialog a.wrm"}));
}

} // namespace
} // namespace veltrane
