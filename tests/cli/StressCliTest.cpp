// SPDX-License-Identifier: BSD-3-Clause
// veltrane-cli under stress: a pipe or a device as input, too few threads, a process killed
// mid-write, a name at the system's length limit, and the summary of a stopped batch.
#include "tests/support/CliRunner.h"

#include "tests/support/TestFolder.h"
#include "tests/support/WavBytes.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veltrane {
namespace {

using test::CTestFolder;
using test::RunCli;

constexpr const char* kMsgNotRegular = "It is not a regular file (a pipe, a device or a socket).\n";

// sStem, the number k and sExtension (appended: GCC 12 warns wrongly of "literal" + string).
std::string Numbered(const std::string& sStem, int k, const std::string& sExtension) {
    return std::string(sStem).append(std::to_string(k)).append(sExtension);
}

void WriteLongWav(const std::filesystem::path& path) {
    test::WriteBytes(path, test::Wav16(test::Noise(16000 * 600)));
}

// Whether the folder's file system has unnamed files, which the command line writes through.
bool HasUnnamedFiles(const std::filesystem::path& dir) {
    const int nFd = ::open(dir.c_str(), O_WRONLY | O_TMPFILE, 0600);
    if (nFd < 0) {
        return false;
    }
    ::close(nFd);
    return true;
}

// A pipe with no writer would hold an open for good; it is refused at once, by every verb,
// with our message and its path, and nothing is written.
TEST(StressCli, APipeOrADeviceAsInputIsRefusedAtOnce) {
    CTestFolder dir;
    ASSERT_EQ(::mkfifo((dir / "pipe.wav").c_str(), 0600), 0);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"encode", "pipe.wav"},
                                                 {"encode", "--convert", "pipe.wav"},
                                                 {"check", "--convert", "pipe.wav"},
                                                 {"quality", "pipe.wav"},
                                                 {"decode", "pipe.wav", "-o", "out.wav"}}) {
        const auto result = RunCli(args, dir.Path());
        EXPECT_EQ(result.m_nStatus, 2) << args[0];
        EXPECT_EQ(result.m_strErr.substr(0, result.m_strErr.find("pipe.wav")),
                  std::string(kMsgNotRegular))
            << result.m_strErr;
    }
    // A device "decoded" to an empty recording is no success.
    const auto result = RunCli({"decode", "/dev/null", "-o", "null.wav"}, dir.Path());
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_EQ(result.m_strErr, std::string(kMsgNotRegular) + "/dev/null\n");
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"pipe.wav"}));
}

// An address space too small for 64 thread stacks: the batch runs on the threads the system
// gives, converts every file and leaves no temporary file. (Sanitizers need the address space.)
TEST(StressCli, TooFewThreadsStillConvertEveryFile) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit allows";
#endif
    CTestFolder dir;
    std::vector<std::string> args = {"encode", "-q", "-j", "64"};
    for (int k = 0; k < 40; ++k) {
        const std::string sName = Numbered("f", k, ".wav");
        test::WriteBytes(dir / sName, test::Wav16(test::Noise(240 * 20, k + 1)));
        args.push_back(sName);
    }
    const auto result = test::RunCliLimited("ulimit -v 90000", args, dir.Path());
    EXPECT_EQ(result.m_nStatus, 0) << result.m_strErr;
    EXPECT_EQ(dir.Names().size(), 80u);
    for (int k = 0; k < 40; ++k) {
        EXPECT_EQ(test::ReadBytes(dir / Numbered("f", k, ".wrm")).size(), 20u * 30);
    }
}

// A process killed while it writes (SIGKILL, or SIGQUIT's core dump) leaves no file at all: the
// output has no name until it is complete.
TEST(StressCli, AKilledProcessLeavesNothing) {
    CTestFolder dir;
    if (!HasUnnamedFiles(dir.Path())) {
        GTEST_SKIP() << "the test folder's file system has no unnamed files";
    }
    WriteLongWav(dir / "long.wav");
    std::filesystem::create_directory(dir / "out");
    for (const int nSignal : {SIGKILL, SIGQUIT}) {
        test::CCliProcess process({"encode", "-d", "out", "long.wav"}, dir.Path());
        ASSERT_TRUE(process.WaitForOutput(dir / "out"));
        process.Signal(nSignal);
        EXPECT_EQ(process.Wait().m_nStatus, -1); // ended by the signal
        EXPECT_TRUE(std::filesystem::is_empty(dir / "out")) << nSignal;
    }
}

// A name of 250 bytes: the temporary file needs no longer name, new or replaced.
TEST(StressCli, AnOutputNameOf250BytesIsWritten) {
    CTestFolder dir;
    const std::string sStem(246, 's');
    test::WriteBytes(dir / (sStem + ".wav"), test::Wav16(test::Noise(240 * 10)));
    for (const bool bForce : {false, true}) {
        std::vector<std::string> args = {"encode", sStem + ".wav"};
        if (bForce) {
            args.insert(args.begin() + 1, "-f");
        }
        const auto result = RunCli(args, dir.Path());
        EXPECT_EQ(result.m_nStatus, 0) << result.m_strErr;
        EXPECT_EQ(test::ReadBytes(dir / (sStem + ".wrm")).size(), 10u * 30);
        EXPECT_EQ(dir.Names(), (std::set<std::string>{sStem + ".wav", sStem + ".wrm"}));
    }
}

// Stopped files are counted in the summary: four files stopped are four cancelled.
TEST(StressCli, TheSummaryOfAStoppedBatchCountsTheCancelledFiles) {
    CTestFolder dir;
    std::vector<std::string> args = {"encode", "-j", "1", "-d", "out"};
    for (int k = 0; k < 4; ++k) {
        WriteLongWav(dir / Numbered("long", k, ".wav"));
        args.push_back(Numbered("long", k, ".wav"));
    }
    std::filesystem::create_directory(dir / "out");
    test::CCliProcess process(args, dir.Path());
    ASSERT_TRUE(process.WaitForOutput(dir / "out"));
    process.Signal(SIGINT);
    const auto result = process.Wait();
    EXPECT_EQ(result.m_nStatus, 130);
    EXPECT_NE(result.m_strErr.find("Converted 0, failed 0, skipped 0, cancelled 4; "),
              std::string::npos)
        << result.m_strErr;
    EXPECT_TRUE(std::filesystem::is_empty(dir / "out"));
}

} // namespace
} // namespace veltrane
