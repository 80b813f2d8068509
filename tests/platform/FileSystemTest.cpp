// SPDX-License-Identifier: BSD-3-Clause
#include "platform/Environment.h"
#include "platform/PosixFileSystem.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/ScriptedPlatform.h"
#include "tests/support/TestFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

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
    EXPECT_EQ(files.CreateNew(folder.Path() + "/no/such/x.wrm", &pFile), ENOENT);
    EXPECT_EQ(files.Delete(folder.Make("missing.wav")), ENOENT);
    EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory\n");
    EXPECT_EQ(SystemErrorText(ENOSPC), "No space left on device\n");
}

// A new file is its owner's only, whatever the umask, until its mode is set.
TEST(PosixFileSystem, CreateNewMakesAPrivateFileAndReadStopsShortOnlyAtTheEnd) {
    CTestFolder folder;
    const std::string sPath = folder.Make("a.bin");
    CPosixFileSystem files;
    std::unique_ptr<IFile> pFile;
    const mode_t nOldMask = ::umask(0);
    const int nCreated = files.CreateNew(sPath, &pFile);
    ::umask(nOldMask);
    ASSERT_EQ(nCreated, 0);
    std::uint32_t nMode = 0;
    ASSERT_EQ(pFile->Mode(&nMode), 0);
    EXPECT_EQ(nMode, 0600u);
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
    ASSERT_EQ(files.CreateNew("b.wrm", &pFile), 0);
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
    // A link of that name, to a file or to nowhere, or a pipe: refused at once, nothing made.
    std::filesystem::create_symlink(folder.Make("old"), folder.Make("link"));
    std::filesystem::create_symlink(folder.Make("nowhere"), folder.Make("dangling"));
    ASSERT_EQ(::mkfifo(folder.Make("pipe").c_str(), 0600), 0);
    for (const char* pszName : {"link", "dangling", "pipe"}) {
        EXPECT_EQ(files.CreateNew(folder.Make(pszName), &pFile), EEXIST) << pszName;
    }
    EXPECT_FALSE(test::Exists(folder.Make("nowhere")));
    std::filesystem::remove(folder.Make("link"));
    std::filesystem::remove(folder.Make("dangling"));
    std::filesystem::remove(folder.Make("pipe"));
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
    // in.wav, 100 bytes, opened for reading; its reads meet nError once 10 bytes have passed.
    std::unique_ptr<IFile> OpenWithReadFault(int nError) {
        WriteBytes(m_folder.Make("in.wav"), std::vector<std::uint8_t>(100, 1));
        m_files.InjectFault({FileOp::Read, "*/in.wav", nError, 10});
        std::unique_ptr<IFile> pFile;
        EXPECT_EQ(m_files.OpenRead(m_folder.Make("in.wav"), &pFile), 0);
        return pFile;
    }

    CTestFolder m_folder;
    CPosixFileSystem m_posix;
    CFaultyFileSystem m_files{m_posix};
};

TEST_F(FaultyFileSystemTest, WriteFailsAfterItsBytesAndTheyLand) {
    m_files.InjectFault({FileOp::Write, "*/full.bin", ENOSPC, 5});
    std::unique_ptr<IFile> pFile;
    ASSERT_EQ(m_files.CreateNew(m_folder.Make("full.bin"), &pFile), 0);
    EXPECT_EQ(pFile->Write("abc", 3), 0);
    EXPECT_EQ(pFile->Write("defg", 4), ENOSPC);
    EXPECT_EQ(pFile->Write("h", 1), ENOSPC);
    pFile.reset();
    EXPECT_EQ(ReadBytes(m_folder.Make("full.bin")),
              (std::vector<std::uint8_t>{'a', 'b', 'c', 'd', 'e'}));
}

TEST_F(FaultyFileSystemTest, ReadFailsAfterItsBytesWithThePartCounted) {
    const std::unique_ptr<IFile> pFile = OpenWithReadFault(EIO);
    ASSERT_NE(pFile, nullptr);
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
    EXPECT_EQ(m_files.CreateNew(m_folder.Make("ro/tmp0.~rm"), &pFile), EACCES);
    EXPECT_FALSE(test::Exists(m_folder.Make("ro/tmp0.~rm")));
    std::string sFolder;
    EXPECT_EQ(m_files.MakePrivateFolder(m_folder.Path() + "/ro", &sFolder), EACCES);
    ASSERT_EQ(m_files.CreateNew(m_folder.Make("late.bin"), &pFile), 0);
    EXPECT_EQ(pFile->Close(), EIO);
    m_files.ClearFaults();
    EXPECT_EQ(m_files.CreateNew(m_folder.Make("ro/tmp0.~rm"), &pFile), 0);
    const std::string sRo = m_folder.Path() + "/ro/";
    EXPECT_EQ(m_files.Operations(),
              (std::vector<std::string>{"create-new " + sRo + "tmp0.~rm -> Permission denied",
                                        "make-folder " + sRo + " -> Permission denied",
                                        "create-new " + m_folder.Path() + "/late.bin",
                                        "create-new " + sRo + "tmp0.~rm"}));
}

// A read held up stays so until it is released, and then fails.
TEST_F(FaultyFileSystemTest, AReadHeldUpWaitsForItsRelease) {
    const std::unique_ptr<IFile> pFile = OpenWithReadFault(kBlockUntilReleased);
    ASSERT_NE(pFile, nullptr);
    std::uint8_t ab[20];
    std::size_t nRead = 0;
    std::thread reader([&] { EXPECT_EQ(pFile->Read(ab, 20, &nRead), EIO); });
    while (!m_files.Blocked()) {
        std::this_thread::yield();
    }
    m_files.ReleaseBlocked();
    reader.join();
    EXPECT_EQ(nRead, 10u);
}

// A private folder: mode 0700 whatever the umask, a new name each time, removed only when
// empty.
TEST(PosixFileSystem, PrivateFoldersAreNewOwnedAndRemovedWhenEmpty) {
    CTestFolder folder;
    CPosixFileSystem files;
    std::string sFirst;
    std::string sSecond;
    ASSERT_EQ(files.MakePrivateFolder(folder.Path(), &sFirst), 0);
    ASSERT_EQ(files.MakePrivateFolder(folder.Path() + "/", &sSecond), 0);
    EXPECT_NE(sFirst, sSecond);
    EXPECT_EQ(FolderOf(sFirst), folder.Path());
    struct stat info {};
    ASSERT_EQ(::stat(sFirst.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    WriteBytes(sFirst + "/tmp0.~rm", {1});
    EXPECT_EQ(files.DeleteFolder(sFirst), ENOTEMPTY);
    EXPECT_TRUE(test::Exists(sFirst + "/tmp0.~rm"));
    EXPECT_EQ(files.DeleteFolder(sSecond), 0);
    EXPECT_FALSE(test::Exists(sSecond));
    EXPECT_EQ(files.MakePrivateFolder(folder.Path() + "/missing", &sSecond), ENOENT);
}

TEST(ResultMode, TheInputsReadAndWriteBitsLessTheUmasksWritesForOthers) {
    EXPECT_EQ(ResultMode(0600, 022), 0600u);
    EXPECT_EQ(ResultMode(0644, 022), 0644u);
    EXPECT_EQ(ResultMode(0666, 022), 0644u);
    EXPECT_EQ(ResultMode(0666, 002), 0664u);
    EXPECT_EQ(ResultMode(0666, 077), 0644u);  // only the write bits of the umask
    EXPECT_EQ(ResultMode(04755, 022), 0644u); // no execute, set-id or sticky bit
    EXPECT_EQ(ResultMode(0400, 0), 0400u);
}

TEST(PosixFileSystem, OpenWriteKeepsTheBytesAndTruncateAndModeWork) {
    CTestFolder folder;
    CPosixFileSystem files;
    const std::string sPath = folder.Make("x.wrm");
    std::unique_ptr<IFile> pFile;
    EXPECT_EQ(files.OpenWrite(sPath, &pFile), ENOENT); // it never creates
    EXPECT_EQ(files.OpenWrite(folder.Path(), &pFile), EISDIR);
    WriteBytes(sPath, {1, 2, 3, 4, 5});
    std::filesystem::create_symlink(sPath, folder.Make("link.wrm"));
    EXPECT_EQ(files.OpenWrite(folder.Make("link.wrm"), &pFile), ELOOP); // links are its caller's
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
    // Links on the way to the file are followed too, and so is "..".
    std::filesystem::create_symlink(folder.Path() + "/store", folder.Make("alias"));
    ASSERT_EQ(files.FollowLinks(folder.Path() + "/alias/../alias/x.wrm", &sFound), 0);
    EXPECT_EQ(sFound, sTarget);
    ASSERT_EQ(files.FollowLinks(folder.Path() + "/alias/new/y.wrm", &sFound), 0);
    EXPECT_EQ(sFound, folder.Path() + "/store/new/y.wrm");
}

// In a folder that everyone may write and that has its sticky bit, the user's own links are
// followed (the links of another user are refused: the shared-folder tests play that user).
TEST(PosixFileSystem, FollowLinksFollowsOwnLinksInASharedFolder) {
    CTestFolder folder;
    CPosixFileSystem files;
    const std::string sShared = folder.Make("shared/");
    ASSERT_EQ(::chmod(sShared.c_str(), 01777), 0);
    const std::string sTarget = folder.Make("mine.wrm");
    std::filesystem::create_symlink(sTarget, sShared + "x.wrm");
    std::string sFound;
    ASSERT_EQ(files.FollowLinks(sShared + "x.wrm", &sFound), 0);
    EXPECT_EQ(sFound, sTarget);
    EXPECT_EQ(SystemErrorText(kErrorUnsafeLink),
              "It is a symbolic link in a shared folder, owned by another user; it is not "
              "followed.\n");
}

} // namespace
} // namespace veltrane
