#include "convert/WavHeader.h"
#include "tests/support/BatchTestSupport.h"

#include <cerrno>
#include <filesystem>

namespace veltrane::test {
namespace {

using namespace std::string_literals;

class OpenFilesTest : public BatchTest {
  protected:
    void Open() {
        m_dlg.m_bBusy = true;
        m_dlg.OnOpenFiles(1, 0);
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
    EXPECT_EQ(m_dlg.m_pszTempDir, sRec); // the current directory the dialog left
    // The folder's temporary files were locked, then the probe was made in the source folder
    // and removed again.
    EXPECT_EQ(m_files.Operations(),
              (std::vector<std::string>{"lock " + sRec + "tmp.~lock", "create " + sRec + "tmp0.~rm",
                                        "delete " + sRec + "tmp0.~rm"}));
    EXPECT_TRUE(Exists(sRec + "tmp.~lock"));
    m_dlg.m_pTempLock.reset(); // as the batch's end does
    EXPECT_FALSE(Exists(sRec + "tmp.~lock"));
    EXPECT_FALSE(Exists(sRec + "tmp0.~rm"));
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
    EXPECT_EQ(m_dlg.m_pszTempDir, m_folder.Path() + "/temp/");
    EXPECT_FALSE(Exists(sReadOnly + "tmp0.~rm"));
    m_platform.Environment().Unset("TEMP");
    Open();
    EXPECT_EQ(m_dlg.m_pszTempDir, "/var/tmp/");
    m_platform.Environment().Unset("TMPDIR");
    Open();
    EXPECT_EQ(m_dlg.m_pszTempDir, "/tmp/");
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
    EXPECT_EQ(m_dlg.m_pszTempDir, sTmpDir);
    PrepareJob(0);
    EXPECT_FALSE(m_dlg.EncodeCurrentFile());
    m_ui.AnswerSave(sOut + "a.wrm");
    m_dlg.SaveEncodedFile(true, 0);
    EXPECT_TRUE(m_ui.MessageBoxes().empty());
    EXPECT_EQ(ReadBytes(sOut + "a.wrm").size(), 2u * kFrameBytes);
    m_dlg.m_pTempLock.reset(); // as the batch's end does

    const std::string sReadOnlyTemp = m_folder.Make("rotemp/");
    m_files.InjectFault({FileOp::Create, sReadOnlyTemp + "*", EROFS});
    m_platform.Environment().Set("TEMP", sReadOnlyTemp);
    m_ui.AnswerOpen({sA});
    Open();
    EXPECT_EQ(m_dlg.m_pszTempDir, sTmpDir);
    EXPECT_TRUE(Exists(sTmpDir + "tmp.~lock"));
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
    m_files.InjectFault({FileOp::Create, sReadOnly + "tmp0.~rm", EROFS});
    m_platform.Environment().Set("TEMP", "../temp");
    SelectAndValidate({sA, sB});
    EXPECT_EQ(m_dlg.m_pszTempDir, m_folder.Path() + "/temp/");
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
    m_dlg.m_pTempLock.reset(); // as the batch's end does
    EXPECT_TRUE(std::filesystem::is_empty(m_folder.Path() + "/temp"));
    EXPECT_TRUE(std::filesystem::is_empty(sReadOnly.substr(0, sReadOnly.size() - 1)) ||
                !Exists(sReadOnly + "tmp.~lock"));
}

// The temporary files' folder locked by another batch (the source folder, or TEMP when the
// source folder cannot be written): the batch is refused before it writes anything there, with
// the folder named, and returns to the idle look.
TEST_F(OpenFilesTest, ATemporaryFolderLockedByAnotherBatchIsRefused) {
    const std::string sRec = m_folder.Make("rec/");
    const std::string sReadOnly = m_folder.Make("ro/");
    const std::string sTemp = m_folder.Make("temp/");
    m_platform.Environment().Set("TEMP", sTemp);
    m_files.InjectFault({FileOp::Lock, sRec + "tmp.~lock", EWOULDBLOCK});
    m_files.InjectFault({FileOp::Lock, sTemp + "tmp.~lock", EWOULDBLOCK});
    m_files.InjectFault({FileOp::Create, sReadOnly + "*", EROFS});
    for (const std::string& sFolder : {sRec, sReadOnly}) {
        m_ui.AnswerOpen({sFolder + "a.wav"});
        Open();
        const std::string sLocked = sFolder == sRec ? sRec : sTemp;
        EXPECT_EQ(m_ui.MessageBoxes().back(),
                  (MessageBoxRecord{kMsgTempFilesInUse + sLocked, "Error"}));
        EXPECT_TRUE(m_platform.Loop().Pending().empty());
        EXPECT_TRUE(m_dlg.IsIdle());
        EXPECT_TRUE(m_dlg.m_ppszFiles.empty());
        EXPECT_EQ(m_dlg.m_pTempLock, nullptr);
        EXPECT_FALSE(m_ui.Pushed(Button::Compress));
        EXPECT_TRUE(m_ui.Pushed(Button::Stop));
    }
    const std::vector<std::string> operations = m_files.Operations();
    EXPECT_TRUE(std::none_of(operations.begin(), operations.end(), [](const std::string& s) {
        return s.find("tmp0.~rm") != std::string::npos && !s.ends_with("Read-only file system");
    })) << ::testing::PrintToString(operations);
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
    EXPECT_EQ(m_dlg.m_pszTempDir, sDeep + "/");
}

} // namespace
} // namespace veltrane::test
