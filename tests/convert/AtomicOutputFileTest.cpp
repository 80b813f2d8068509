// SPDX-License-Identifier: BSD-3-Clause
// The one atomic output as the command line uses it (no replacing without -f, an unnamed
// temporary file first); the dialog's rules are tested through its save step.
#include "convert/AtomicOutputFile.h"
#include "convert/FileByteSource.h"

#include "tests/support/FaultyFileSystem.h"
#include "tests/support/TestFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

namespace veltrane {
namespace {

using test::CTestFolder;

const std::vector<std::uint8_t> kBytes(90, 7);

class AtomicOutputFileTest : public ::testing::Test {
  protected:
    std::string Path(const std::string& sName) const { return (m_dir / sName).string(); }

    // The log of the calls from the first one that names sFrom on.
    std::vector<std::string> OperationsFrom(const std::string& sFrom) const {
        std::vector<std::string> operations = m_files.Operations();
        const auto it = std::find_if(operations.begin(), operations.end(),
                                     [&](const auto& s) { return s.starts_with(sFrom); });
        return {it, operations.end()};
    }

    CTestFolder m_dir;
    CFaultyFileSystem m_files{HostFileSystem()};
};

TEST_F(AtomicOutputFileTest, AnUnnamedOutputHasNoNameUntilItIsCommitted) {
    CAtomicOutputFile file(m_files);
    ASSERT_EQ(file.Create(Path("x.wrm"), {false, true, {}, {}}), 0);
    ASSERT_EQ(file.Write(kBytes), 0);
    EXPECT_TRUE(m_dir.Names().empty());
    ASSERT_EQ(file.Commit(), 0);
    EXPECT_EQ(test::ReadBytes(m_dir / "x.wrm"), kBytes);
    EXPECT_EQ(m_dir.Names(), (std::set<std::string>{"x.wrm"}));
    EXPECT_EQ(OperationsFrom("create"),
              (std::vector<std::string>{"create-unnamed " + Path(""), "link " + Path("x.wrm")}));
}

// Without replacing, a file that appears while the output is written is kept, with either kind
// of temporary file, and nothing else is left.
TEST_F(AtomicOutputFileTest, AnOutputThatAppearedMeanwhileIsKept) {
    for (const bool bUnnamed : {true, false}) {
        m_files.ClearFaults();
        if (!bUnnamed) {
            m_files.InjectFault({FileOp::CreateUnnamed, "*", EOPNOTSUPP});
        }
        CAtomicOutputFile file(m_files);
        ASSERT_EQ(file.Create(Path("x.wrm"), {false, true, {}, {}}), 0);
        ASSERT_EQ(file.Write(kBytes), 0);
        test::WriteBytes(m_dir / "x.wrm", {9});
        EXPECT_EQ(file.Commit(), EEXIST);
        EXPECT_EQ(test::ReadBytes(m_dir / "x.wrm"), (std::vector<std::uint8_t>{9}));
        EXPECT_EQ(m_dir.Names(), (std::set<std::string>{"x.wrm"}));
        EXPECT_EQ(CAtomicOutputFile(m_files).Create(Path("x.wrm"), {false, true, {}, {}}), EEXIST);
        std::filesystem::remove(m_dir / "x.wrm");
    }
}

// Replacing: an unnamed file cannot be linked over a name, so it is linked beside the target
// under a short name and renamed over it; the replaced file's mode stays.
TEST_F(AtomicOutputFileTest, AReplacedOutputIsRenamedOverTheTargetAndKeepsItsMode) {
    test::WriteBytes(m_dir / "x.wrm", {9});
    ::chmod(Path("x.wrm").c_str(), 0640);
    CAtomicOutputFile file(m_files);
    ASSERT_EQ(file.Create(Path("x.wrm"), {true, true, {}, {}}), 0);
    ASSERT_EQ(file.Write(kBytes), 0);
    ASSERT_EQ(file.Commit(), 0);
    EXPECT_EQ(test::ReadBytes(m_dir / "x.wrm"), kBytes);
    EXPECT_EQ(m_dir.Names(), (std::set<std::string>{"x.wrm"}));
    struct stat info {};
    ASSERT_EQ(::stat(Path("x.wrm").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    const std::vector<std::string> operations = OperationsFrom("rename");
    ASSERT_EQ(operations.size(), 1u);
    EXPECT_TRUE(
        IsTemporaryOutputName(NameOf(operations[0].substr(7, operations[0].find(' ', 7) - 7))))
        << operations[0];
}

// A name at the system's limit of 255 bytes: an unnamed temporary file needs no longer name,
// new or replacing; where only named ones exist, the folder refuses the longer temporary name
// and the file is created directly.
TEST_F(AtomicOutputFileTest, ANameOfTheSystemsLongestLengthIsWritten) {
    const std::string sName = std::string(251, 'n') + ".wrm";
    for (const bool bUnnamed : {true, false}) {
        for (const bool bReplace : {false, true}) {
            CAtomicOutputFile file(m_files);
            ASSERT_EQ(file.Create(Path(sName), {bReplace, bUnnamed, {}, {}}), 0)
                << bUnnamed << bReplace;
            ASSERT_EQ(file.Write(kBytes), 0);
            ASSERT_EQ(file.Commit(), 0);
            EXPECT_EQ(test::ReadBytes(m_dir / sName), kBytes);
            EXPECT_EQ(m_dir.Names(), (std::set<std::string>{sName}));
            if (!bReplace) {
                continue;
            }
            std::filesystem::remove(m_dir / sName);
        }
    }
}

// A failed direct creation leaves nothing, and a discarded output neither.
TEST_F(AtomicOutputFileTest, ADiscardedOutputLeavesNothing) {
    m_files.InjectFault({FileOp::CreateUnnamed, "*", EOPNOTSUPP});
    m_files.InjectFault({FileOp::Create, "*.~part", EACCES});
    m_files.InjectFault({FileOp::Write, Path("x.wrm"), ENOSPC, 30});
    CAtomicOutputFile file(m_files);
    ASSERT_EQ(file.Create(Path("x.wrm"), {false, true, {}, {}}), 0);
    EXPECT_EQ(file.Write(kBytes), ENOSPC);
    file.Discard();
    EXPECT_TRUE(m_dir.Names().empty());
    for (const bool bUnnamed : {true, false}) {
        CAtomicOutputFile unfinished(m_files);
        ASSERT_EQ(unfinished.Create(Path("y.wrm"), {false, bUnnamed, {}, {}}), 0);
        ASSERT_EQ(unfinished.Write(kBytes), 0);
    }
    EXPECT_TRUE(m_dir.Names().empty());
}

} // namespace
} // namespace veltrane
