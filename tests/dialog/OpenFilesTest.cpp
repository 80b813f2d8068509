// SPDX-License-Identifier: BSD-3-Clause
#include "convert/WavHeader.h"
#include "tests/support/BatchTestSupport.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace veltrane::test {
namespace {

using namespace std::string_literals;

class OpenFilesTest : public BatchTest {
  protected:
    void Open() {
        m_dlg.m_bBusy = true;
        m_dlg.OnOpenFiles(1, 0);
    }

    // The temporary folder is a new folder of sParent that only its owner may enter.
    void ExpectPrivateFolderIn(const std::string& sParent) {
        const std::string& sTemp = m_dlg.m_pszTempDir;
        EXPECT_TRUE(sTemp.starts_with(WithTrailingSlash(sParent) + ".veltrane-")) << sTemp;
        EXPECT_TRUE(sTemp.ends_with("/"));
        EXPECT_EQ(m_dlg.m_sPrivateDir + "/", sTemp);
        struct stat info {};
        ASSERT_EQ(::stat(sTemp.c_str(), &info), 0) << sTemp;
        EXPECT_EQ(info.st_mode & 07777, 0700u);
    }
};

TEST_F(OpenFilesTest, OneFileGivesItsFolderItsNameAndTheTemporaryFolder) {
    const std::string sRec = m_folder.Make("rec/");
    m_ui.AnswerOpen({sRec + "a.wav"});
    Open();
    EXPECT_EQ(m_dlg.m_pszSelection, sRec + "a.wav\0"s);
    EXPECT_EQ(m_dlg.m_pszSourceDir, sRec);
    EXPECT_EQ(m_dlg.m_ppszFiles, (std::vector<std::string>{"a.wav"}));
    EXPECT_EQ(m_dlg.m_nFiles, 1);
    // The batch's own folder in the source folder, and nothing else made or opened there.
    ExpectPrivateFolderIn(sRec);
    EXPECT_EQ(m_files.Operations(), (std::vector<std::string>{"make-folder " + sRec}));
    EXPECT_EQ(Listing(sRec), (std::vector<std::string>{NameOf(m_dlg.m_sPrivateDir)}));
    EXPECT_EQ(m_platform.Loop().Pending(),
              (std::vector<PostedMessage>{{MSG_VALIDATE_FILES, 1, 0}}));
    EXPECT_EQ(m_ui.Events(), (std::vector<std::string>{"OpenDialog"}));
    EXPECT_TRUE(m_dlg.m_bBusy);
}

TEST_F(OpenFilesTest, SeveralFilesKeepTheDialogsOrder) {
    m_ui.AnswerOpen(
        {m_folder.Path() + "/b.wav", m_folder.Path() + "/A.WAV", m_folder.Path() + "/x.wav"});
    Open();
    EXPECT_EQ(m_dlg.m_pszSourceDir, m_folder.Path() + "/");
    EXPECT_EQ(m_dlg.m_ppszFiles, (std::vector<std::string>{"b.wav", "A.WAV", "x.wav"}));
    EXPECT_EQ(m_dlg.m_nFiles, 3);
    EXPECT_EQ(m_dlg.m_pszSelection, m_folder.Path() + "\0b.wav\0A.WAV\0x.wav\0\0"s);
}

TEST_F(OpenFilesTest, AFolderThatCannotBeWrittenSendsTheTemporaryFilesToTemp) {
    const std::string sReadOnly = m_folder.Make("ro/");
    m_folder.Make("temp/");
    m_files.InjectFault({FileOp::Create, sReadOnly + "*", EROFS});
    m_ui.AnswerOpen({sReadOnly + "a.wav"});
    m_ui.AnswerOpen({sReadOnly + "a.wav"});
    m_ui.AnswerOpen({sReadOnly + "a.wav"});
    m_platform.Environment().Set("TEMP", m_folder.Path() + "/temp");
    m_platform.Environment().Set("TMPDIR", "/var/tmp");
    Open();
    ExpectPrivateFolderIn(m_folder.Path() + "/temp");
    EXPECT_TRUE(Listing(sReadOnly).empty());
    m_platform.Environment().Unset("TEMP");
    Open();
    ExpectPrivateFolderIn("/var/tmp");
    EXPECT_TRUE(std::filesystem::is_empty(m_folder.Path() + "/temp")); // the earlier one went
    m_platform.Environment().Unset("TMPDIR");
    Open();
    ExpectPrivateFolderIn("/tmp");
    const std::string sLast = m_dlg.m_sPrivateDir;
    m_dlg.OnDestroy();
    EXPECT_FALSE(Exists(sLast));
}

// A TEMP that is missing or cannot be written, beside a source folder that cannot be written:
// the next temporary folder that can be written is taken, and the batch converts its files.
TEST_F(OpenFilesTest, ATempThatCannotBeUsedPassesToTheNextTemporaryFolder) {
    const std::string sReadOnly = m_folder.Make("ro/");
    const std::string sA = Put("ro/a.wav", Wav16(Voice(480)));
    const std::string sTmpDir = m_folder.Make("tmpdir/");
    const std::string sOut = m_folder.Make("out/");
    m_files.InjectFault({FileOp::Create, sReadOnly + "*", EROFS});
    m_platform.Environment().Set("TEMP", m_folder.Path() + "/missing");
    m_platform.Environment().Set("TMPDIR", sTmpDir);
    SelectAndValidate({sA});
    ExpectPrivateFolderIn(sTmpDir);
    PrepareJob(0);
    EXPECT_FALSE(m_dlg.EncodeCurrentFile());
    m_ui.AnswerSave(sOut + "a.wrm");
    m_dlg.SaveEncodedFile(true, 0);
    EXPECT_TRUE(m_ui.MessageBoxes().empty());
    EXPECT_EQ(ReadBytes(sOut + "a.wrm").size(), 2u * kFrameBytes);

    const std::string sReadOnlyTemp = m_folder.Make("rotemp/");
    m_files.InjectFault({FileOp::Create, sReadOnlyTemp + "*", EROFS});
    m_platform.Environment().Set("TEMP", sReadOnlyTemp);
    m_ui.AnswerOpen({sA});
    Open();
    ExpectPrivateFolderIn(sTmpDir);
    EXPECT_EQ(Listing(sTmpDir).size(), 1u); // the earlier batch's folder is gone
}

// A relative TEMP names a folder of the current directory at the selection: the save dialog,
// which later moves the current directory, must not lose the temporary files made there.
TEST_F(OpenFilesTest, ARelativeTempIsTakenFromTheSelectionsFolderForTheWholeBatch) {
    const std::string sReadOnly = m_folder.Make("ro/");
    const std::string sA = Put("ro/a.wav", Wav16(Voice(480)));
    const std::string sB = Put("ro/b.wav", Wav16(Voice(720)));
    const std::string sOut = m_folder.Path() + "/out/deep/";
    std::filesystem::create_directories(sOut);
    std::filesystem::create_directories(m_folder.Path() + "/temp");
    m_files.InjectFault({FileOp::Create, sReadOnly + "*", EROFS});
    m_platform.Environment().Set("TEMP", "../temp");
    SelectAndValidate({sA, sB});
    ExpectPrivateFolderIn(m_folder.Path() + "/temp");
    for (int i = 0; i < 2; ++i) {
        PrepareJob(i);
        EXPECT_FALSE(m_dlg.EncodeCurrentFile());
    }
    m_ui.AnswerSave(sOut + "x.wrm");
    m_dlg.SaveEncodedFile(true, 0);
    m_dlg.SaveEncodedFile(true, 1);
    EXPECT_TRUE(m_ui.MessageBoxes().empty());
    EXPECT_EQ(ReadBytes(sOut + "x.wrm").size(), 2u * kFrameBytes);
    EXPECT_EQ(ReadBytes(sOut + "b.wrm").size(), 3u * kFrameBytes);
    m_dlg.OnDestroy(); // the dialog closes with no batch under way: its folder goes
    EXPECT_TRUE(std::filesystem::is_empty(m_folder.Path() + "/temp"));
    EXPECT_EQ(Listing(sReadOnly), (std::vector<std::string>{"a.wav", "b.wav"}));
}

// No folder takes a private folder: the temporary file is tried, under a new name, in the first
// system folder, and the job that cannot make it reports it with the system's text.
TEST_F(OpenFilesTest, WhereNoFolderTakesOneTheJobReportsTheTemporaryFile) {
    const std::string sA = Put("a.wav", Wav16(Voice(480)));
    const std::string sTemp = m_folder.Make("temp/");
    m_platform.Environment().Set("TEMP", sTemp);
    m_files.InjectFault({FileOp::Create, "*", EROFS});
    SelectAndValidate({sA});
    EXPECT_EQ(m_dlg.m_pszTempDir, sTemp);
    EXPECT_TRUE(m_dlg.m_sPrivateDir.empty());
    PrepareJob(0);
    EXPECT_TRUE(m_dlg.EncodeCurrentFile());
    EXPECT_EQ(m_ui.MessageBoxes(), (std::vector<MessageBoxRecord>{
                                       {"Read-only file system\n" + sTemp + "tmp0.~rm", "Error"}}));
    m_dlg.OnDestroy();
    EXPECT_TRUE(Exists(sTemp)); // a folder it did not make stays
}

TEST_F(OpenFilesTest, CancelReturnsToTheIdleLookAndReleasesTheEarlierBatch) {
    m_ui.AnswerOpen({m_folder.Path() + "/a.wav"});
    Open();
    m_dlg.m_bCompressDown = true;
    m_dlg.m_bStopDown = false;
    m_ui.CancelOpen();
    const std::size_t nPosted = m_platform.Loop().Posted().size();
    Open();
    EXPECT_FALSE(m_dlg.m_bBusy);
    EXPECT_EQ(Tail(m_ui.Events(), 1),
              (std::vector<std::string>{"OpenDialog", "Compress.Pushed 0", "Stop.Pushed 1"}));
    EXPECT_TRUE(m_dlg.m_bCompressDown); // the recorded looks stay as they were
    EXPECT_FALSE(m_dlg.m_bStopDown);
    EXPECT_EQ(m_platform.Loop().Posted().size(), nPosted);
    EXPECT_TRUE(m_dlg.m_pszSourceDir.empty());
    EXPECT_TRUE(m_dlg.m_pszTempDir.empty());
    EXPECT_TRUE(m_dlg.m_ppszFiles.empty());
    EXPECT_TRUE(m_dlg.m_pszPath.empty());
    EXPECT_EQ(m_dlg.m_nFiles, 0);
}

TEST_F(OpenFilesTest, ANameWithoutADotIsOneFileNotAList) {
    // The system reports extension offset 0 for such a name, as it does for a list.
    m_ui.AnswerOpen({m_folder.Path() + "/README"});
    Open();
    EXPECT_EQ(m_dlg.m_ppszFiles, (std::vector<std::string>{"README"}));
    EXPECT_EQ(m_dlg.m_pszSourceDir, m_folder.Path() + "/");
}

TEST_F(OpenFilesTest, AFileInTheRootGetsOneSlash) {
    m_ui.AnswerOpenRaw({"/a.wav\0"s, 1, 3}, "/");
    m_ui.AnswerOpenRaw({"/\0a.wav\0b.wav\0\0"s, 2, 0}, "/");
    Open();
    EXPECT_EQ(m_dlg.m_pszSourceDir, "/");
    Open();
    EXPECT_EQ(m_dlg.m_pszSourceDir, "/");
    EXPECT_EQ(m_dlg.m_ppszFiles, (std::vector<std::string>{"a.wav", "b.wav"}));
}

// Every name of a list is kept, whatever its ending; validation then rejects what is not WAV.
TEST_F(OpenFilesTest, NamesNotEndingInWavAreKeptAndThenRejected) {
    const std::string sA = Put("a.wav", Wav16(Voice(480)));
    const std::string sNotes = Put("notes.txt", Bytes{'h', 'i'});
    const std::string sOut = Put("old.wrm", Bytes(60, 0));
    const std::string sB = Put("b.WAV", Wav16(Voice(480)));
    SelectAndValidate({sA, sNotes, sOut, sB});
    EXPECT_EQ(m_ui.MessageBoxes(),
              (std::vector<MessageBoxRecord>{{std::string(kMsgNotWav) + sNotes, "Error"},
                                             {std::string(kMsgNotWav) + sOut, "Error"}}));
    EXPECT_EQ(m_dlg.m_ppszFiles, (std::vector<std::string>{"a.wav", "b.WAV"}));
}

TEST_F(OpenFilesTest, OneWrmFileChosenWithTheSecondFilterIsRejected) {
    const std::string sOut = Put("speech.wrm", Bytes(600, 0x55));
    SelectAndValidate({sOut});
    EXPECT_EQ(m_ui.MessageBoxes(),
              (std::vector<MessageBoxRecord>{{std::string(kMsgNotWav) + sOut, "Error"}}));
    EXPECT_EQ(m_dlg.m_nFiles, 0);
}

TEST_F(OpenFilesTest, LongPathsAreKeptWhole) {
    std::string sDeep = m_folder.Path();
    for (int i = 0; i < 12; ++i) {
        sDeep += "/" + std::string(40, static_cast<char>('a' + i));
    }
    const std::string sName = std::string(200, 'n') + ".wav";
    const std::string sPath = m_folder.Make(sDeep.substr(m_folder.Path().size() + 1) + "/" + sName);
    WriteBytes(sPath, Wav16(Voice(480)));
    ASSERT_GT(sPath.size(), 700u);
    SelectAndValidate({sPath});
    EXPECT_TRUE(m_ui.MessageBoxes().empty());
    EXPECT_EQ(m_dlg.m_pszSourceDir + m_dlg.m_ppszFiles[0], sPath);
    EXPECT_EQ(m_dlg.m_pszPath, sPath);
    ExpectPrivateFolderIn(sDeep);
}

} // namespace
} // namespace veltrane::test
