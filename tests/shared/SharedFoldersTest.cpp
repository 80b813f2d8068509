// SPDX-License-Identifier: BSD-3-Clause
// Another local user against the folders a batch shares with them: links to a victim file,
// files made in advance, pipes and a held lock under every name the dialog and the command line
// use, in a sticky folder that everyone may write (as /tmp) and in a writable folder without the
// sticky bit. Run as root (as CI runs), the planting is done by a child that has become "nobody",
// so that the planted links are truly another user's; run as another user, the planter is that
// user itself and the refusals that need a foreign owner are not checked.
#include "tests/support/BatchTestSupport.h"
#include "tests/support/CliRunner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace veltrane::test {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;
constexpr auto kNoStep = std::chrono::seconds(30); // a step that waited on a planted pipe

bool RunningAsRoot() {
    return ::geteuid() == 0;
}

// Runs plant as the other user: in a child that has become nobody when running as root, in this
// process otherwise. false when the child failed.
bool AsOtherUser(const std::function<bool()>& plant) {
    if (!RunningAsRoot()) {
        return plant();
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        const bool bDone = ::setgid(kNoGroup) == 0 && ::setuid(kNobody) == 0 && plant();
        ::_exit(bDone ? 0 : 1);
    }
    int nStatus = 0;
    return pid > 0 && ::waitpid(pid, &nStatus, 0) == pid && WIFEXITED(nStatus) &&
           WEXITSTATUS(nStatus) == 0;
}

struct Snapshot {
    Bytes m_bytes;
    struct stat m_info {};
};

Snapshot Take(const std::string& sPath) {
    Snapshot snapshot{ReadBytes(sPath), {}};
    ::lstat(sPath.c_str(), &snapshot.m_info);
    return snapshot;
}

// The victim's bytes, times, mode and identity are as they were.
void ExpectUnchanged(const std::string& sPath, const Snapshot& before) {
    const Snapshot after = Take(sPath);
    EXPECT_EQ(after.m_bytes, before.m_bytes) << sPath;
    EXPECT_EQ(after.m_info.st_ino, before.m_info.st_ino) << sPath;
    EXPECT_EQ(after.m_info.st_mode, before.m_info.st_mode) << sPath;
    EXPECT_EQ(after.m_info.st_mtim.tv_sec, before.m_info.st_mtim.tv_sec) << sPath;
    EXPECT_EQ(after.m_info.st_mtim.tv_nsec, before.m_info.st_mtim.tv_nsec) << sPath;
}

std::uint32_t ModeOf(const std::string& sPath) {
    struct stat info {};
    ::stat(sPath.c_str(), &info);
    return info.st_mode & 07777;
}

// What another user leaves in a folder before a batch: every name the dialog and the command
// line use is a link to the victim, a file anyone may write, a pipe or a locked file.
struct Plant {
    std::string m_sName;
    enum Kind { Link, OpenFile, Pipe, LockFile } m_kind;
};

const std::vector<Plant> kPlants = {
    {"tmp0.~rm", Plant::Link},      {"tmp1.~rm", Plant::OpenFile}, {"tmp2.~rm", Plant::Pipe},
    {"tmp.~lock", Plant::LockFile}, {"a.wrm.~part", Plant::Link},  {"b.wrm", Plant::Link},
    {"c.wrm", Plant::Pipe},
};

class SharedFoldersTest : public BatchTest {
  protected:
    void SetUp() override {
        ASSERT_EQ(::chmod(m_folder.Path().c_str(), 0755), 0); // the other user may pass
        m_sSticky = m_folder.Make("sticky/");
        m_sOpen = m_folder.Make("open/");
        m_sOut = m_folder.Make("out/");
        ASSERT_EQ(::chmod(m_sSticky.c_str(), 01777), 0);
        ASSERT_EQ(::chmod(m_sOpen.c_str(), 0777), 0);
        m_sVictim = Put("victim.txt", Bytes{'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'});
        m_victim = Take(m_sVictim);
    }

    void TearDown() override {
        for (const int nFd : m_lockFds) {
            ::close(nFd);
        }
    }

    // The other user plants kPlants in sFolder; the lock files are then held, as by a running
    // process of theirs.
    void PlantIn(const std::string& sFolder) {
        const std::string sVictim = m_sVictim;
        ASSERT_TRUE(AsOtherUser([&] {
            bool bDone = true;
            for (const Plant& plant : kPlants) {
                const std::string sPath = sFolder + plant.m_sName;
                switch (plant.m_kind) {
                case Plant::Link:
                    bDone = bDone && ::symlink(sVictim.c_str(), sPath.c_str()) == 0;
                    break;
                case Plant::Pipe:
                    bDone = bDone && ::mkfifo(sPath.c_str(), 0666) == 0;
                    break;
                default: {
                    const int nFd = ::open(sPath.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
                    bDone = bDone && nFd >= 0 && ::fchmod(nFd, 0666) == 0;
                    ::close(nFd);
                }
                }
            }
            return bDone;
        }));
        for (const Plant& plant : kPlants) {
            if (plant.m_kind == Plant::LockFile) {
                const int nFd = ::open((sFolder + plant.m_sName).c_str(), O_RDONLY | O_CLOEXEC);
                ASSERT_GE(nFd, 0);
                ASSERT_EQ(::flock(nFd, LOCK_EX | LOCK_NB), 0);
                m_lockFds.push_back(nFd);
            }
        }
        for (const Plant& plant : kPlants) {
            m_planted[sFolder].push_back(plant.m_sName);
        }
        m_listed[sFolder] = Listing(sFolder);
    }

    // Nothing the other user planted was removed, replaced or followed.
    void ExpectPlantsIntact() {
        ExpectUnchanged(m_sVictim, m_victim);
        for (const auto& [sFolder, names] : m_planted) {
            for (const std::string& sName : names) {
                struct stat info {};
                EXPECT_EQ(::lstat((sFolder + sName).c_str(), &info), 0) << sFolder << sName;
                if (RunningAsRoot()) {
                    EXPECT_EQ(info.st_uid, kNobody) << sFolder << sName;
                }
            }
        }
        for (const Plant& plant : kPlants) {
            if (plant.m_kind == Plant::OpenFile) {
                for (const auto& [sFolder, names] : m_planted) {
                    EXPECT_TRUE(ReadBytes(sFolder + plant.m_sName).empty()) << sFolder;
                }
            }
        }
    }

    // No entry of the batch's own is left in sFolder: only what was there before it.
    void ExpectNothingOfOursIn(const std::string& sFolder, const std::vector<std::string>& before) {
        EXPECT_EQ(Listing(sFolder), before) << sFolder;
    }

    // Runs a whole batch of the dialog on its messages (a step that hangs is ended by the
    // test's time limit).
    void RunBatch() {
        m_dlg.OnCompress();
        m_platform.Loop().Run();
    }

    std::string m_sSticky;
    std::string m_sOpen;
    std::string m_sVictim;
    Snapshot m_victim;
    std::vector<int> m_lockFds;
    std::map<std::string, std::vector<std::string>> m_planted; // the other user's names
    std::map<std::string, std::vector<std::string>> m_listed;  // the folder once planted
    const std::vector<std::int16_t> m_a = Voice(240 * 30, 31);
    const std::vector<std::int16_t> m_b = Voice(240 * 25 + 9, 32);
};

// The recordings in the writable shared folder, the temporary files there or (when that folder
// is refused) in a sticky TEMP, every name planted in both: the batch makes its own folder, saves
// the right bytes, touches nothing planted and leaves nothing behind.
TEST_F(SharedFoldersTest, TheDialogsBatchUsesOnlyItsOwnFolderInSharedFolders) {
    for (const bool bSourceRefused : {false, true}) {
        SCOPED_TRACE(bSourceRefused ? "temporary files in TEMP" : "in the source folder");
        const std::string sSource = m_sOpen + (bSourceRefused ? "r1/" : "r0/");
        const std::string sTemp = m_sSticky + (bSourceRefused ? "r1/" : "r0/");
        fs::create_directories(sSource);
        fs::create_directories(sTemp);
        ASSERT_EQ(::chmod(sSource.c_str(), 0777), 0);
        ASSERT_EQ(::chmod(sTemp.c_str(), 01777), 0);
        const std::string sA = sSource + "a.wav";
        const std::string sB = sSource + "b.wav";
        WriteBytes(sA, Wav16(m_a));
        WriteBytes(sB, Wav16(m_b));
        PlantIn(sSource);
        PlantIn(sTemp);
        if (bSourceRefused) {
            m_files.InjectFault({FileOp::Create, sSource + ".veltrane-*", EROFS});
        }
        m_platform.Environment().Set("TEMP", sTemp);
        const std::string sOut = m_folder.Make(bSourceRefused ? "out1/" : "out0/");
        fs::create_directories(sOut);
        m_dlg.OnSave();
        m_ui.AnswerOpen({sA, sB});
        m_ui.AnswerSave(sOut + "a.wrm");
        RunBatch();
        EXPECT_EQ(m_ui.MessageBoxes(), std::vector<MessageBoxRecord>{});
        EXPECT_EQ(ReadBytes(sOut + "a.wrm"), EncodeDirect(m_a));
        EXPECT_EQ(ReadBytes(sOut + "b.wrm"), EncodeDirect(m_b));
        ExpectPlantsIntact();
        ExpectNothingOfOursIn(sSource, m_listed[sSource]);
        ExpectNothingOfOursIn(sTemp, m_listed[sTemp]);
        m_files.ClearFaults();
    }
}

// The destination the user names, and the automatic name of the next file, are the other user's
// links in a sticky folder: neither is followed; each save is refused with the path, and the
// message names the temporary file that keeps the frames, which are all there.
TEST_F(SharedFoldersTest, ASaveThroughAnotherUsersLinkIsRefusedAndTheResultKept) {
    if (!RunningAsRoot()) {
        GTEST_SKIP() << "needs a second user to own the links (run as root)";
    }
    const std::string sA = Put("src/a.wav", Wav16(m_a));
    const std::string sB = Put("src/b.wav", Wav16(m_b));
    ASSERT_TRUE(AsOtherUser([&] {
        return ::symlink(m_sVictim.c_str(), (m_sSticky + "x.wrm").c_str()) == 0 &&
               ::symlink(m_sVictim.c_str(), (m_sSticky + "b.wrm").c_str()) == 0;
    }));
    m_dlg.OnSave();
    m_ui.AnswerOpen({sA, sB});
    m_ui.AnswerSave(m_sSticky + "x.wrm");
    RunBatch();
    const std::vector<MessageBoxRecord> boxes = m_ui.MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    const std::vector<std::pair<std::string, std::vector<std::int16_t>>> expected = {
        {m_sSticky + "x.wrm", m_a}, {"b.wrm", m_b}};
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const std::string sStart =
            SystemErrorText(kErrorUnsafeLink) + expected[i].first + kMsgResultKept;
        ASSERT_TRUE(boxes[i].m_sText.starts_with(sStart)) << boxes[i].m_sText;
        const std::string sKept = boxes[i].m_sText.substr(sStart.size());
        EXPECT_EQ(ReadBytes(sKept), EncodeDirect(expected[i].second)) << sKept;
        EXPECT_EQ(ModeOf(sKept), 0600u);
        EXPECT_EQ(ModeOf(FolderOf(sKept)), 0700u);
    }
    ExpectUnchanged(m_sVictim, m_victim);
    EXPECT_TRUE(fs::is_symlink(m_sSticky + "x.wrm"));
    EXPECT_TRUE(fs::is_symlink(m_sSticky + "b.wrm"));
}

// The command line's outputs in the same folders: a link of the other user's in the sticky folder
// is refused with its path, a pipe is refused without waiting, planted temporary names are passed
// over, and the results that may be written are right.
TEST_F(SharedFoldersTest, TheCommandLineNeitherFollowsNorWaitsNorReplacesWhatWasPlanted) {
    const std::string sA = Put("src/a.wav", Wav16(m_a));
    const std::string sB = Put("src/b.wav", Wav16(m_b));
    Put("src/c.wav", Wav16(m_b));
    PlantIn(m_sSticky);
    PlantIn(m_sOpen);
    for (const std::string& sFolder : {m_sSticky, m_sOpen}) {
        const auto start = std::chrono::steady_clock::now();
        const CliResult result =
            RunCli({"encode", "-f", "-d", sFolder, sA, sB, m_folder.Path() + "/src/c.wav"},
                   m_folder.Path());
        EXPECT_LT(std::chrono::steady_clock::now() - start, kNoStep);
        EXPECT_NE(result.m_nStatus, 0);
        EXPECT_EQ(ReadBytes(sFolder + "a.wrm"), EncodeDirect(m_a)) << result.m_strErr;
        EXPECT_NE(result.m_strErr.find(SystemErrorText(kErrorNotRegularFile) + sFolder + "c.wrm"),
                  std::string::npos)
            << result.m_strErr;
        const bool bRefusesLink = sFolder == m_sSticky && RunningAsRoot();
        if (bRefusesLink) {
            EXPECT_NE(result.m_strErr.find(SystemErrorText(kErrorUnsafeLink) + sFolder + "b.wrm"),
                      std::string::npos)
                << result.m_strErr;
        } else {
            // A link in a folder without the sticky bit is the system's to follow, as documented:
            // the victim here is the test's own file, written through the link.
            ASSERT_EQ(ReadBytes(m_sVictim), EncodeDirect(m_b)) << result.m_strErr;
            WriteBytes(m_sVictim, m_victim.m_bytes);
            m_victim = Take(m_sVictim);
        }
        ExpectPlantsIntact();
    }
}

// The permission bits of a result: those of its input less the umask's writes for others, in the
// dialog and the command line (encode and decode); a replaced file keeps its own.
TEST_F(SharedFoldersTest, APrivateRecordingGivesAPrivateResult) {
    const std::string sA = Put("src/a.wav", Wav16(m_a));
    ASSERT_EQ(::chmod(sA.c_str(), 0600), 0);
    m_dlg.OnSaveAs();
    m_ui.AnswerOpen({sA});
    m_ui.AnswerSave(m_sOut + "a.wrm");
    RunBatch();
    EXPECT_EQ(ModeOf(m_sOut + "a.wrm"), 0600u);

    const std::string sOut = m_folder.Make("cli/");
    fs::create_directories(sOut);
    ASSERT_EQ(RunCli({"encode", sA, "-o", sOut + "a.wrm"}, m_folder.Path()).m_nStatus, 0);
    EXPECT_EQ(ModeOf(sOut + "a.wrm"), 0600u);
    ASSERT_EQ(::chmod((sOut + "a.wrm").c_str(), 0640), 0);
    ASSERT_EQ(RunCli({"decode", sOut + "a.wrm", "-o", sOut + "a.wav"}, m_folder.Path()).m_nStatus,
              0);
    EXPECT_EQ(ModeOf(sOut + "a.wav"), 0640u);
    ASSERT_EQ(RunCli({"encode", "-f", sA, "-o", sOut + "a.wrm"}, m_folder.Path()).m_nStatus, 0);
    EXPECT_EQ(ModeOf(sOut + "a.wrm"), 0640u); // replaced: its own mode
    ASSERT_EQ(::chmod(sA.c_str(), 0666), 0);
    const mode_t nUmask = ::umask(0);
    ::umask(nUmask);
    ASSERT_EQ(RunCli({"encode", sA, "-o", sOut + "b.wrm"}, m_folder.Path()).m_nStatus, 0);
    EXPECT_EQ(ModeOf(sOut + "b.wrm"), 0666u & ~(nUmask & 022));
}

// Closing the window while the job's read is held up (a pipe, a stalled network file): the
// close waits its limit, removes the batch's folder and ends the process, whatever the worker.
TEST_F(SharedFoldersTest, ClosingDuringAJobThatDoesNotEndEndsTheProcessInTime) {
    const std::string sA = Put("src/a.wav", Wav16(Voice(240 * 300, 33)));
    m_ui.SetHook([&](const std::string& sEvent) {
        if (sEvent.starts_with("TotalBar.Range")) { // validated: the job's reads now hang
            m_files.InjectFault({FileOp::Read, sA, kBlockUntilReleased, 48000});
        }
    });
    m_ui.AnswerOpen({sA});
    m_dlg.OnCompress();
    CScriptedLoop& loop = m_platform.Loop();
    for (int i = 0; i < 3; ++i) { // 101, 100, and 99 that starts the worker
        ASSERT_TRUE(loop.HandleOne());
    }
    while (!m_files.Blocked()) {
        std::this_thread::yield();
    }
    const std::string sPrivate = m_dlg.m_sPrivateDir;
    ASSERT_TRUE(Exists(sPrivate + "/tmp0.~rm"));
    EXPECT_TRUE(m_dlg.OnCommand(kIdExit));
    const auto start = std::chrono::steady_clock::now();
    m_dlg.OnDestroy();
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, kCloseWaitLimit);
    EXPECT_LT(waited, std::chrono::seconds(3));
    EXPECT_EQ(loop.EndedProcess(), (std::vector<int>{kExitWorkerAbandoned}));
    EXPECT_FALSE(Exists(sPrivate));
    m_files.ReleaseBlocked(); // the test's process goes on: let the worker end
    loop.WaitForThreads();
}

} // namespace
} // namespace veltrane::test
