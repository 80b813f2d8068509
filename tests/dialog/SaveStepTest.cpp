// SPDX-License-Identifier: BSD-3-Clause
#include "convert/AtomicOutputFile.h"
#include "tests/support/BatchTestSupport.h"

#include <cerrno>
#include <filesystem>
#include <unistd.h>

namespace veltrane::test {
namespace {

Bytes Pattern(std::size_t nBytes, std::uint8_t nSeed) {
    Bytes bytes(nBytes);
    for (std::size_t k = 0; k < nBytes; ++k) {
        bytes[k] = static_cast<std::uint8_t>(k * 31 + nSeed);
    }
    return bytes;
}

// The state the encoding jobs leave: a batch in the source folder "src" whose temporary files
// are there too, and the source folder as the current directory.
class SaveStepTest : public BatchTest {
  protected:
    void SetUp() override {
        MakeSourceAndOut();
        ASSERT_EQ(m_files.SetCurrentDirectory(m_sSource), 0);
        m_dlg.m_pszSourceDir = m_sSource;
        m_dlg.m_pszTempDir = m_sSource;
        m_dlg.m_bBusy = true;
    }

    // Files of the batch, with the contents of their temporary files.
    void Batch(const std::vector<std::string>& names, const std::vector<Bytes>& temps) {
        m_dlg.m_ppszFiles = names;
        m_dlg.m_nFiles = static_cast<int>(names.size());
        m_dlg.m_abTempMade.assign(names.size(), 0);
        for (std::size_t i = 0; i < temps.size(); ++i) {
            WriteBytes(Temp(static_cast<int>(i)), temps[i]);
            m_dlg.m_abTempMade[i] = 1; // made by its job
        }
    }

    // The finish step's loop over the batch.
    void SaveAll(bool bSaveMode) {
        for (int i = 0; i < m_dlg.m_nFiles; ++i) {
            m_dlg.SaveEncodedFile(bSaveMode, i);
        }
    }

    std::string Temp(int nIndex) const {
        return m_sSource + "tmp" + std::to_string(nIndex) + ".~rm";
    }
    // What a failed save's message adds: where the result is kept.
    std::string Kept(int nIndex) const { return kMsgResultKept + Temp(nIndex); }

    const Bytes m_a = Pattern(2500, 1);
    const Bytes m_b = Pattern(3000, 2);
    const Bytes m_c = Pattern(0, 3);
};

TEST_F(SaveStepTest, SaveModeAsksOnceAndPutsTheLaterFilesInTheChosenFolder) {
    Batch({"a.wav", "b.wav", "c.wav"}, {m_a, m_b, m_c});
    m_ui.AnswerSave(m_sOut + "x.wrm");
    SaveAll(true);
    EXPECT_EQ(m_ui.Events(), (std::vector<std::string>{"SaveDialog a.wrm"}));
    EXPECT_EQ(Listing(m_sOut), (std::vector<std::string>{"b.wrm", "c.wrm", "x.wrm"}));
    EXPECT_EQ(ReadBytes(m_sOut + "x.wrm"), m_a); // 2 blocks of 1000 and 500
    EXPECT_EQ(ReadBytes(m_sOut + "b.wrm"), m_b); // 3 blocks, no rest
    EXPECT_TRUE(ReadBytes(m_sOut + "c.wrm").empty());
    EXPECT_TRUE(Listing(m_sSource).empty()); // the temporary files are gone
    EXPECT_TRUE(m_dlg.m_bBusy);
}

TEST_F(SaveStepTest, SaveModeWithTheFirstDialogCancelledWritesTheRestIntoTheSelectionsFolder) {
    Batch({"a.wav", "b.wav", "c.wav"}, {m_a, m_b, m_c});
    m_ui.CancelSave();
    SaveAll(true);
    EXPECT_EQ(Listing(m_sSource), (std::vector<std::string>{"b.wrm", "c.wrm"}));
    EXPECT_EQ(ReadBytes(m_sSource + "b.wrm"), m_b);
    EXPECT_TRUE(m_ui.MessageBoxes().empty());
}

TEST_F(SaveStepTest, SaveAsAsksForEveryFileAndACancelDiscardsOnlyThatOne) {
    Batch({"a.wav", "b.wav", "c.wav"}, {m_a, m_b, m_c});
    m_ui.AnswerSave(m_sOut + "one.wrm");
    m_ui.CancelSave();
    m_ui.AcceptSave();
    SaveAll(false);
    EXPECT_EQ(m_ui.Events(), (std::vector<std::string>{"SaveDialog a.wrm", "SaveDialog b.wrm",
                                                       "SaveDialog c.wrm"}));
    EXPECT_EQ(Listing(m_sOut), (std::vector<std::string>{"c.wrm", "one.wrm"}));
    EXPECT_EQ(ReadBytes(m_sOut + "one.wrm"), m_a);
    EXPECT_TRUE(Listing(m_sSource).empty());
}

TEST_F(SaveStepTest, ProposedNamesReplaceTheLastThreeCharactersOrAppend) {
    Batch({"voice.wave", "TALK.WAV", "ab"}, {m_a, m_b, m_c});
    m_ui.CancelSave();
    m_ui.CancelSave();
    m_ui.CancelSave();
    SaveAll(false);
    EXPECT_EQ(m_ui.Events(),
              (std::vector<std::string>{"SaveDialog voice.wwrm", "SaveDialog TALK.wrm",
                                        "SaveDialog ab.wrm"}));
}

TEST_F(SaveStepTest, AMissingTemporaryFileIsReportedAfterItsDialog) {
    Batch({"a.wav", "b.wav"}, {m_a});
    m_ui.AcceptSave();
    m_ui.AcceptSave();
    SaveAll(false);
    EXPECT_EQ(m_ui.Events(), (std::vector<std::string>{
                                 "SaveDialog a.wrm", "SaveDialog b.wrm",
                                 "MessageBox Error: No such file or directory\n" + Temp(1)}));
    EXPECT_FALSE(m_dlg.m_bBusy);
    EXPECT_EQ(Listing(m_sSource), (std::vector<std::string>{"a.wrm"}));
}

// Nothing of a batch whose job a stop has cut short is saved, and no temporary file of it stays
// behind.
TEST_F(SaveStepTest, AStoppedBatchSavesNothingAndLeavesNothing) {
    Batch({"a.wav", "b.wav", "c.wav"}, {m_a, m_b});
    m_dlg.m_bStop = true;
    m_dlg.m_bJobStopped = true;
    SaveAll(false);
    EXPECT_TRUE(m_ui.Events().empty());
    EXPECT_TRUE(Listing(m_sSource).empty());
    EXPECT_FALSE(m_dlg.m_bBusy);
}

TEST_F(SaveStepTest, ADestinationThatCannotBeCreatedIsNamedAsGivenAndTheTemporaryFileKept) {
    Batch({"a.wav", "b.wav", "c.wav"}, {m_a, m_b, m_c});
    m_files.InjectFault({FileOp::Create, "*b.wrm*", EACCES}); // the file and its temporary one
    m_ui.AnswerSave(m_sOut + "a.wrm");
    SaveAll(true);
    EXPECT_EQ(m_ui.MessageBoxes(),
              (std::vector<MessageBoxRecord>{{"Permission denied\nb.wrm" + Kept(1), "Error"}}));
    EXPECT_FALSE(m_dlg.m_bBusy);
    EXPECT_EQ(Listing(m_sSource), (std::vector<std::string>{"tmp1.~rm"}));
    EXPECT_EQ(Listing(m_sOut), (std::vector<std::string>{"a.wrm", "c.wrm"}));
}

// A copy that fails part way never shows as the destination: an earlier file of that name
// stays as it was, the partial copy is removed, and the frames stay in the temporary file.
TEST_F(SaveStepTest, AFailedCopyLeavesTheDestinationAndKeepsTheTemporaryFile) {
    const std::vector<FileFault> faults = {
        {FileOp::Write, "*.~part", ENOSPC, 1500}, {FileOp::Read, "*/tmp0.~rm", EIO, 1000},
        {FileOp::Sync, "*.~part", EIO},           {FileOp::Close, "*.~part", ENOSPC},
        {FileOp::Rename, "*/x.wrm", EACCES},
    };
    const Bytes earlier = Pattern(90, 9);
    WriteBytes(m_sOut + "x.wrm", earlier);
    for (const FileFault& fault : faults) {
        m_files.ClearFaults();
        m_files.InjectFault(fault);
        Batch({"a.wav"}, {m_a});
        m_ui.AnswerSave(m_sOut + "x.wrm");
        m_dlg.m_bBusy = true;
        const std::size_t nBoxes = m_ui.MessageBoxes().size();
        SaveAll(true);
        ASSERT_EQ(m_ui.MessageBoxes().size(), nBoxes + 1) << fault.m_sPattern;
        EXPECT_EQ(m_ui.MessageBoxes().back().m_sText,
                  SystemErrorText(fault.m_nError) + m_sOut + "x.wrm" + Kept(0));
        EXPECT_FALSE(m_dlg.m_bBusy);
        EXPECT_EQ(ReadBytes(m_sOut + "x.wrm"), earlier);
        EXPECT_EQ(Listing(m_sOut), (std::vector<std::string>{"x.wrm"}));
        EXPECT_EQ(ReadBytes(Temp(0)), m_a);
    }
}

// Save mode names the later files without asking: two of them that come to the same name, or
// one whose name is that of an input, would otherwise replace a result or a recording unseen.
// Such a file is asked for with the save dialog instead, proposing its name, as SaveAs does.
TEST_F(SaveStepTest, SaveModeAsksWhereANameOfAnInputOrAnEarlierResultOfTheBatchGoes) {
    const Bytes input = Pattern(60, 7);
    WriteBytes(m_sOut + "take.wrm", input);
    m_dlg.m_pszSourceDir = m_sOut; // an input in the folder where the results go
    Batch({"a.wav", "a.WAV", "take.wrm", "b.wav"}, {m_a, m_b, m_c, m_b});
    m_ui.AnswerSave(m_sOut + "a.wrm");
    m_ui.AnswerSave(m_sOut + "a2.wrm");
    m_ui.CancelSave();
    SaveAll(true);
    EXPECT_EQ(m_ui.Events(), (std::vector<std::string>{"SaveDialog a.wrm", "SaveDialog a.wrm",
                                                       "SaveDialog take.wrm"}));
    EXPECT_TRUE(m_dlg.m_bBusy);
    EXPECT_EQ(ReadBytes(m_sOut + "a.wrm"), m_a);
    EXPECT_EQ(ReadBytes(m_sOut + "a2.wrm"), m_b);
    EXPECT_EQ(ReadBytes(m_sOut + "take.wrm"), input);
    EXPECT_EQ(ReadBytes(m_sOut + "b.wrm"), m_b); // the batch goes on
    EXPECT_TRUE(Listing(m_sSource).empty());     // the cancelled one is discarded, as in SaveAs
}

// The record of written results is the running batch's own: a file of the same name left by an
// earlier batch is replaced without asking, as Save mode intends.
TEST_F(SaveStepTest, SaveModeReplacesAResultOfAnEarlierBatch) {
    Batch({"a.wav", "b.wav"}, {m_a, m_b});
    m_ui.AnswerSave(m_sOut + "b.wrm");
    m_dlg.SaveEncodedFile(true, 0);
    Batch({"c.wav", "b.wav"}, {m_c, m_a});
    m_ui.AnswerSave(m_sOut + "c.wrm");
    SaveAll(true);
    EXPECT_TRUE(m_ui.MessageBoxes().empty());
    EXPECT_EQ(ReadBytes(m_sOut + "b.wrm"), m_a);
}

TEST_F(SaveStepTest, ASavedFileReplacesAnEarlierOneThroughARename) {
    WriteBytes(m_sOut + "x.wrm", Pattern(90, 9));
    Batch({"a.wav"}, {m_a});
    m_ui.AnswerSave(m_sOut + "x.wrm");
    SaveAll(true);
    EXPECT_EQ(ReadBytes(m_sOut + "x.wrm"), m_a);
    const std::vector<std::string> operations = m_files.Operations();
    ASSERT_GE(operations.size(), 5u);
    EXPECT_EQ(operations[operations.size() - 5], "open " + Temp(0));
    EXPECT_EQ(operations[operations.size() - 4], "open-write " + m_sOut + "x.wrm");
    // A new name beside the target, renamed over it.
    const std::string sCreated = operations[operations.size() - 3];
    ASSERT_TRUE(sCreated.starts_with("create-new " + m_sOut + ".x.wrm.")) << sCreated;
    const std::string sPartial = sCreated.substr(11);
    EXPECT_TRUE(IsTemporaryOutputName(sPartial));
    EXPECT_EQ(operations[operations.size() - 2], "rename " + sPartial + " " + m_sOut + "x.wrm");
    EXPECT_EQ(operations.back(), "delete " + Temp(0));
}

// A symbolic link as the destination: the result goes to the file it points at, and the link
// stays a link.
TEST_F(SaveStepTest, ASavedFileIsWrittenThroughASymbolicLinkToItsTarget) {
    const std::string sTarget = m_folder.Make("store/x.wrm");
    WriteBytes(sTarget, Pattern(90, 9));
    std::filesystem::create_symlink("../store/x.wrm", m_sOut + "x.wrm");
    std::filesystem::create_symlink(m_sOut + "none.wrm", m_sOut + "dangling.wrm");
    Batch({"a.wav", "b.wav"}, {m_a, m_b});
    m_ui.AnswerSave(m_sOut + "x.wrm");
    m_ui.AnswerSave(m_sOut + "dangling.wrm");
    SaveAll(false);
    EXPECT_TRUE(m_ui.MessageBoxes().empty());
    EXPECT_TRUE(std::filesystem::is_symlink(m_sOut + "x.wrm"));
    EXPECT_EQ(ReadBytes(sTarget), m_a);
    EXPECT_TRUE(std::filesystem::is_symlink(m_sOut + "dangling.wrm"));
    EXPECT_EQ(ReadBytes(m_sOut + "none.wrm"), m_b); // a dangling link's target is created
    EXPECT_EQ(Listing(m_folder.Path() + "/store"), (std::vector<std::string>{"x.wrm"}));
}

// A replaced result keeps the mode of the file it replaces; a new one gets a new file's.
TEST_F(SaveStepTest, AReplacedFileKeepsItsMode) {
    namespace fs = std::filesystem;
    WriteBytes(m_sOut + "x.wrm", Pattern(90, 9));
    fs::permissions(m_sOut + "x.wrm", fs::perms::owner_read | fs::perms::owner_write |
                                          fs::perms::group_read | fs::perms::others_exec);
    Batch({"a.wav", "b.wav"}, {m_a, m_b});
    m_ui.AnswerSave(m_sOut + "x.wrm");
    SaveAll(true);
    EXPECT_EQ(ReadBytes(m_sOut + "x.wrm"), m_a);
    EXPECT_EQ(fs::status(m_sOut + "x.wrm").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_exec);
    EXPECT_EQ(fs::status(m_sOut + "b.wrm").permissions() & fs::perms::owner_exec, fs::perms::none);
}

// A folder that refuses the temporary name while the existing file may be written: the file
// itself is rewritten, to exactly the new bytes, and a file that did not exist is created.
TEST_F(SaveStepTest, WhereTheFolderRefusesTheTemporaryNameTheFileIsRewrittenInPlace) {
    WriteBytes(m_sOut + "x.wrm", Pattern(4000, 9)); // longer than the new result
    m_files.InjectFault({FileOp::Create, "*.~part", EACCES});
    Batch({"a.wav", "b.wav"}, {m_a, m_b});
    m_ui.AnswerSave(m_sOut + "x.wrm");
    SaveAll(true);
    EXPECT_TRUE(m_ui.MessageBoxes().empty());
    EXPECT_EQ(ReadBytes(m_sOut + "x.wrm"), m_a);
    EXPECT_EQ(ReadBytes(m_sOut + "b.wrm"), m_b);
    EXPECT_EQ(Listing(m_sOut), (std::vector<std::string>{"b.wrm", "x.wrm"}));
    EXPECT_TRUE(Listing(m_sSource).empty());
    EXPECT_TRUE(m_dlg.m_bBusy);
}

// An existing result that the user may not write is refused as creating it would be: the
// system's text and the destination, the file unchanged, the frames kept in the temporary file.
// (Under root, which may write any file, the refusal is the injected one.)
TEST_F(SaveStepTest, AWriteProtectedDestinationIsRefusedWithTheSystemsText) {
    namespace fs = std::filesystem;
    const Bytes earlier = Pattern(90, 9);
    WriteBytes(m_sOut + "x.wrm", earlier);
    fs::permissions(m_sOut + "x.wrm", fs::perms::owner_read | fs::perms::group_read);
    if (::geteuid() == 0) {
        m_files.InjectFault({FileOp::OpenWrite, "*/x.wrm", EACCES});
    }
    Batch({"a.wav", "b.wav"}, {m_a, m_b});
    m_ui.AnswerSave(m_sOut + "x.wrm");
    SaveAll(true);
    EXPECT_EQ(m_ui.MessageBoxes(),
              (std::vector<MessageBoxRecord>{
                  {"Permission denied\n" + m_sOut + "x.wrm" + Kept(0), "Error"}}));
    EXPECT_EQ(ReadBytes(m_sOut + "x.wrm"), earlier);
    EXPECT_EQ(fs::status(m_sOut + "x.wrm").permissions(),
              fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(ReadBytes(Temp(0)), m_a);
    EXPECT_EQ(ReadBytes(m_sOut + "b.wrm"), m_b); // the batch goes on
    EXPECT_FALSE(m_dlg.m_bBusy);
}

} // namespace
} // namespace veltrane::test
