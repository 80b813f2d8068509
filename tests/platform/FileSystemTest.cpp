#include "platform/Environment.h"
#include "platform/PosixFileSystem.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/ScriptedPlatform.h"
#include "tests/support/TestFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace veltrane {
namespace {

using test::CTestFolder;
using test::ReadBytes;
using test::WriteBytes;

TEST(PosixFileSystem, ReportsTheErrnoWhoseTextTheMessagesShow) {
    CTestFolder folder;
    CPosixFileSystem files;
    std::unique_ptr<IFile> pFile;
    EXPECT_EQ(files.OpenRead(folder.Make("missing.wav"), &pFile), ENOENT);
    EXPECT_EQ(pFile, nullptr);
    EXPECT_EQ(files.Create(folder.Path() + "/no/such/x.wrm", &pFile), ENOENT);
    EXPECT_EQ(files.Delete(folder.Make("missing.wav")), ENOENT);
    EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory\n");
    EXPECT_EQ(SystemErrorText(ENOSPC), "No space left on device\n");
}

TEST(PosixFileSystem, CreateReplacesAndReadStopsShortOnlyAtTheEnd) {
    CTestFolder folder;
    const std::string sPath = folder.Make("a.bin");
    WriteBytes(sPath, std::vector<std::uint8_t>(100, 7));
    CPosixFileSystem files;
    std::unique_ptr<IFile> pFile;
    ASSERT_EQ(files.Create(sPath, &pFile), 0);
    ASSERT_EQ(pFile->Write("abcdef", 6), 0);
    ASSERT_EQ(pFile->Close(), 0);

    ASSERT_EQ(files.OpenRead(sPath, &pFile), 0);
    std::uint64_t nSize = 0;
    ASSERT_EQ(pFile->Size(&nSize), 0);
    EXPECT_EQ(nSize, 6u);
    ASSERT_EQ(pFile->Seek(4), 0);
    char ach[8] = {};
    std::size_t nRead = 0;
    EXPECT_EQ(pFile->Read(ach, sizeof(ach), &nRead), 0);
    EXPECT_EQ(std::string(ach, nRead), "ef");
    EXPECT_EQ(pFile->Read(ach, sizeof(ach), &nRead), 0);
    EXPECT_EQ(nRead, 0u);
}

TEST(PosixFileSystem, RelativePathsFollowItsOwnCurrentDirectory) {
    CTestFolder folder;
    CPosixFileSystem files;
    const std::string sSub = folder.Make("sub/");
    ASSERT_EQ(files.SetCurrentDirectory(sSub), 0);
    EXPECT_EQ(files.CurrentDirectory(), folder.Path() + "/sub");
    std::unique_ptr<IFile> pFile;
    ASSERT_EQ(files.Create("b.wrm", &pFile), 0);
    pFile.reset();
    EXPECT_TRUE(test::Exists(folder.Path() + "/sub/b.wrm"));

    EXPECT_EQ(files.SetCurrentDirectory(folder.Make("gone")), ENOENT);
    EXPECT_EQ(files.SetCurrentDirectory(folder.Path() + "/sub/b.wrm"), ENOTDIR);
    EXPECT_EQ(files.CurrentDirectory(), folder.Path() + "/sub");
}

TEST(PosixFileSystem, RenameReplacesTheDestination) {
    CTestFolder folder;
    WriteBytes(folder.Make("new"), {1, 2, 3});
    WriteBytes(folder.Make("old"), {9});
    CPosixFileSystem files;
    ASSERT_EQ(files.Rename(folder.Make("new"), folder.Make("old")), 0);
    EXPECT_EQ(ReadBytes(folder.Make("old")), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(test::Exists(folder.Make("new")));
}

// The calls that never replace: an exclusive create, a rename and a link that each keep a file
// already of that name, and an unnamed file that has a name only once linked.
TEST(PosixFileSystem, CreateNewRenameNoReplaceAndLinkKeepAnExistingName) {
    CTestFolder folder;
    WriteBytes(folder.Make("old"), {9});
    WriteBytes(folder.Make("new"), {1});
    CPosixFileSystem files;
    std::unique_ptr<IFile> pFile;
    EXPECT_EQ(files.CreateNew(folder.Make("old"), &pFile), EEXIST);
    EXPECT_EQ(files.RenameNoReplace(folder.Make("new"), folder.Make("old")), EEXIST);
    EXPECT_EQ(ReadBytes(folder.Make("old")), (std::vector<std::uint8_t>{9}));
    ASSERT_EQ(files.RenameNoReplace(folder.Make("new"), folder.Make("moved")), 0);
    EXPECT_FALSE(test::Exists(folder.Make("new")));
    if (files.CreateUnnamed(folder.Path(), &pFile) != 0) {
        GTEST_SKIP() << "the test folder's file system has no unnamed files";
    }
    ASSERT_EQ(pFile->Write("\x05", 1), 0);
    EXPECT_EQ(folder.Names(), (std::set<std::string>{"moved", "old"}));
    EXPECT_EQ(pFile->Link(folder.Make("old")), EEXIST);
    ASSERT_EQ(pFile->Link(folder.Make("linked")), 0);
    pFile.reset();
    EXPECT_EQ(ReadBytes(folder.Make("linked")), (std::vector<std::uint8_t>{5}));
}

// A pipe or a device is refused at once, to read or to write, and a pipe never holds the open.
TEST(PosixFileSystem, APipeOrADeviceIsNotOpened) {
    CTestFolder folder;
    ASSERT_EQ(::mkfifo(folder.Make("pipe").c_str(), 0600), 0);
    CPosixFileSystem files;
    std::unique_ptr<IFile> pFile;
    for (const std::string& sPath : {folder.Make("pipe"), std::string("/dev/null")}) {
        EXPECT_EQ(files.OpenRead(sPath, &pFile), kErrorNotRegularFile) << sPath;
        EXPECT_EQ(files.OpenWrite(sPath, &pFile), kErrorNotRegularFile) << sPath;
        EXPECT_EQ(pFile, nullptr);
    }
    EXPECT_EQ(files.OpenWrite(folder.Path(), &pFile), EISDIR);
    EXPECT_EQ(SystemErrorText(kErrorNotRegularFile),
              "It is not a regular file (a pipe, a device or a socket).\n");
}

TEST(PathHelpers, SplitAndJoinWithOneSlash) {
    EXPECT_EQ(FolderOf("/rec/a.wav"), "/rec");
    EXPECT_EQ(FolderOf("/a.wav"), "/");
    EXPECT_EQ(FolderOf("a.wav"), "");
    EXPECT_EQ(NameOf("/rec/a.wav"), "a.wav");
    EXPECT_EQ(WithTrailingSlash("/rec"), "/rec/");
    EXPECT_EQ(WithTrailingSlash("/"), "/");
    EXPECT_EQ(AbsolutePath("/rec", "a.wrm"), "/rec/a.wrm");
    EXPECT_EQ(AbsolutePath("/", "a.wrm"), "/a.wrm");
    EXPECT_EQ(AbsolutePath("/rec", "/out/a.wrm"), "/out/a.wrm");
}

TEST(TemporaryFolders, TempThenTmpdirThenSlashTmpEachOnce) {
    using Folders = std::vector<std::string>;
    CScriptedEnvironment environment;
    EXPECT_EQ(TemporaryFolders(environment), Folders{"/tmp"});
    environment.Set("TMPDIR", "/var/tmp/");
    EXPECT_EQ(TemporaryFolders(environment), (Folders{"/var/tmp", "/tmp"}));
    environment.Set("TEMP", "");
    EXPECT_EQ(TemporaryFolders(environment), (Folders{"/var/tmp", "/tmp"}));
    environment.Set("TEMP", "/scratch");
    EXPECT_EQ(TemporaryFolders(environment), (Folders{"/scratch", "/var/tmp", "/tmp"}));
    environment.Set("TMPDIR", "/tmp//");
    EXPECT_EQ(TemporaryFolders(environment), (Folders{"/scratch", "/tmp"}));
}

class FaultyFileSystemTest : public ::testing::Test {
  protected:
    CTestFolder m_folder;
    CPosixFileSystem m_posix;
    CFaultyFileSystem m_files{m_posix};
};

TEST_F(FaultyFileSystemTest, WriteFailsAfterItsBytesAndTheyLand) {
    m_files.InjectFault({FileOp::Write, "*/full.bin", ENOSPC, 5});
    std::unique_ptr<IFile> pFile;
    ASSERT_EQ(m_files.Create(m_folder.Make("full.bin"), &pFile), 0);
    EXPECT_EQ(pFile->Write("abc", 3), 0);
    EXPECT_EQ(pFile->Write("defg", 4), ENOSPC);
    EXPECT_EQ(pFile->Write("h", 1), ENOSPC);
    pFile.reset();
    EXPECT_EQ(ReadBytes(m_folder.Make("full.bin")),
              (std::vector<std::uint8_t>{'a', 'b', 'c', 'd', 'e'}));
}

TEST_F(FaultyFileSystemTest, ReadFailsAfterItsBytesWithThePartCounted) {
    WriteBytes(m_folder.Make("in.wav"), std::vector<std::uint8_t>(100, 1));
    m_files.InjectFault({FileOp::Read, "*/in.wav", EIO, 10});
    std::unique_ptr<IFile> pFile;
    ASSERT_EQ(m_files.OpenRead(m_folder.Make("in.wav"), &pFile), 0);
    std::uint8_t ab[8];
    std::size_t nRead = 0;
    EXPECT_EQ(pFile->Read(ab, 8, &nRead), 0);
    EXPECT_EQ(pFile->Read(ab, 8, &nRead), EIO);
    EXPECT_EQ(nRead, 2u);
}

TEST_F(FaultyFileSystemTest, AFolderThatCannotBeWrittenAndTheLog) {
    m_files.InjectFault({FileOp::Create, m_folder.Path() + "/ro/*", EACCES});
    m_files.InjectFault({FileOp::Close, "*/late.bin", EIO});
    std::unique_ptr<IFile> pFile;
    EXPECT_EQ(m_files.Create(m_folder.Make("ro/tmp0.~rm"), &pFile), EACCES);
    EXPECT_FALSE(test::Exists(m_folder.Make("ro/tmp0.~rm")));
    ASSERT_EQ(m_files.Create(m_folder.Make("late.bin"), &pFile), 0);
    EXPECT_EQ(pFile->Close(), EIO);
    m_files.ClearFaults();
    EXPECT_EQ(m_files.Create(m_folder.Make("ro/tmp0.~rm"), &pFile), 0);
    EXPECT_EQ(
        m_files.Operations(),
        (std::vector<std::string>{"create " + m_folder.Path() + "/ro/tmp0.~rm -> Permission denied",
                                  "create " + m_folder.Path() + "/late.bin",
                                  "create " + m_folder.Path() + "/ro/tmp0.~rm"}));
}

// The lock holds against every other holder, even one of the same process, until it is
// released; then its file is gone and the next holder gets it. A file left by a holder that
// died is simply locked again.
TEST(PosixFileSystem, ALockHoldsUntilReleasedAndTakesItsFileAlong) {
    CTestFolder folder;
    CPosixFileSystem files;
    CPosixFileSystem other;
    const std::string sLock = folder.Make("tmp.~lock");
    std::unique_ptr<IFileLock> pFirst;
    ASSERT_EQ(files.Lock(sLock, &pFirst), 0);
    std::unique_ptr<IFileLock> pSecond;
    EXPECT_EQ(other.Lock(sLock, &pSecond), EWOULDBLOCK);
    EXPECT_EQ(pSecond, nullptr);
    pFirst.reset();
    EXPECT_FALSE(test::Exists(sLock));
    ASSERT_EQ(other.Lock(sLock, &pSecond), 0);
    pSecond.reset();

    WriteBytes(sLock, {1, 2});
    ASSERT_EQ(files.Lock(sLock, &pFirst), 0);
    EXPECT_EQ(files.Lock(folder.Path() + "/missing/tmp.~lock", &pSecond), ENOENT);
}

TEST(PosixFileSystem, OpenWriteKeepsTheBytesAndTruncateAndModeWork) {
    CTestFolder folder;
    CPosixFileSystem files;
    const std::string sPath = folder.Make("x.wrm");
    std::unique_ptr<IFile> pFile;
    EXPECT_EQ(files.OpenWrite(sPath, &pFile), ENOENT); // it never creates
    EXPECT_EQ(files.OpenWrite(folder.Path(), &pFile), EISDIR);
    WriteBytes(sPath, {1, 2, 3, 4, 5});
    ASSERT_EQ(files.OpenWrite(sPath, &pFile), 0);
    ASSERT_EQ(pFile->Write("ab", 2), 0);
    ASSERT_EQ(pFile->SetMode(0640), 0);
    std::uint32_t nMode = 0;
    ASSERT_EQ(pFile->Mode(&nMode), 0);
    EXPECT_EQ(nMode, 0640u);
    ASSERT_EQ(pFile->Truncate(3), 0);
    ASSERT_EQ(pFile->Close(), 0);
    EXPECT_EQ(ReadBytes(sPath), (std::vector<std::uint8_t>{'a', 'b', 3}));
}

TEST(PosixFileSystem, FollowLinksGivesTheFileALinkChainEndsAt) {
    CTestFolder folder;
    CPosixFileSystem files;
    const std::string sTarget = folder.Make("store/x.wrm");
    std::filesystem::create_symlink("../store/x.wrm", folder.Make("out/one.wrm"));
    std::filesystem::create_symlink(folder.Path() + "/out/one.wrm", folder.Make("two.wrm"));
    std::filesystem::create_symlink("loop.wrm", folder.Make("loop.wrm"));
    std::string sFound;
    ASSERT_EQ(files.FollowLinks(folder.Path() + "/two.wrm", &sFound), 0);
    EXPECT_EQ(std::filesystem::path(sFound).lexically_normal().string(), sTarget);
    ASSERT_EQ(files.FollowLinks(folder.Path() + "/plain.wrm", &sFound), 0);
    EXPECT_EQ(sFound, folder.Path() + "/plain.wrm");
    EXPECT_EQ(files.FollowLinks(folder.Path() + "/loop.wrm", &sFound), ELOOP);
}

} // namespace
} // namespace veltrane
