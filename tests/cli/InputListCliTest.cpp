// SPDX-License-Identifier: BSD-3-Clause
// The inputs of a batch verb: folders with -r and the mirrored tree under -d, --shard K/N and
// --files-from, through the built program; the shares themselves through the library.
#include "cli/InputList.h"
#include "tests/support/CliRunner.h"

#include "tests/support/TestFolder.h"
#include "tests/support/WavBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace veltrane {
namespace {

using test::CTestFolder;
using test::RunCli;

// The files below dir whose names end in strExtension, as paths relative to dir.
std::set<std::string> FilesBelow(const std::filesystem::path& dir,
                                 const std::string& strExtension) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file() && entry.path().extension() == strExtension) {
            names.insert(entry.path().lexically_relative(dir).string());
        }
    }
    return names;
}

class InputListCli : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* pszName : {"in/a/b/x.wav", "in/c/Y.WAV", "in/top.wav"}) {
            test::WriteBytes(m_dir.Make(pszName), test::Wav16(test::Voice(480, m_nSeed++)));
        }
        test::WriteBytes(m_dir.Make("in/a/notes.txt"), {1, 2, 3});
        // A link back up the tree: followed, it would never end.
        std::filesystem::create_directory_symlink("..", m_dir / "in/c/loop");
    }

    CTestFolder m_dir;
    unsigned m_nSeed = 1;
};

TEST_F(InputListCli, RecursionMirrorsTheTreeUnderTheOutputFolder) {
    const auto result = RunCli({"encode", "-q", "-r", "-d", "out", "in/"}, m_dir.Path());
    ASSERT_EQ(result.m_nStatus, 0) << result.m_strErr;
    EXPECT_EQ(FilesBelow(m_dir / "out", ".wrm"),
              (std::set<std::string>{"a/b/x.wrm", "c/Y.wrm", "top.wrm"}));
    EXPECT_EQ(test::ReadBytes(m_dir / "out/a/b/x.wrm"), test::EncodeDirect(test::Voice(480, 1)));
    // decode -r takes the .wrm files below a folder, and keeps the tree as well.
    const auto decoded = RunCli({"decode", "-q", "-r", "-d", "dec", "out"}, m_dir.Path());
    ASSERT_EQ(decoded.m_nStatus, 0) << decoded.m_strErr;
    EXPECT_EQ(FilesBelow(m_dir / "dec", ".wav"),
              (std::set<std::string>{"a/b/x.decoded.wav", "c/Y.decoded.wav", "top.decoded.wav"}));
}

TEST_F(InputListCli, RecursionWithoutAFolderPutsEachOutputBesideItsInput) {
    const auto result = RunCli({"encode", "-q", "-r", "in"}, m_dir.Path());
    ASSERT_EQ(result.m_nStatus, 0) << result.m_strErr;
    EXPECT_EQ(FilesBelow(m_dir / "in", ".wrm"),
              (std::set<std::string>{"a/b/x.wrm", "c/Y.wrm", "top.wrm"}));
}

TEST_F(InputListCli, FolderWithoutRecursionIsReportedAndTheOthersGoOn) {
    const auto result = RunCli({"encode", "-q", "in", "in/top.wav"}, m_dir.Path());
    EXPECT_EQ(result.m_nStatus, 2);
    EXPECT_EQ(result.m_strErr, "It is a folder; -r converts the files below it.\nin\n");
    EXPECT_TRUE(test::Exists(m_dir / "in/top.wrm"));
}

// N shards run separately convert every file exactly once, in near-equal shares.
TEST_F(InputListCli, ShardsSplitTheTreeIntoDisjointCoveringShares) {
    for (int n = 0; n < 7; ++n) {
        test::WriteBytes(m_dir.Make("in/more/f" + std::to_string(n) + ".wav"),
                         test::Wav16(test::Noise(240)));
    }
    std::multiset<std::string> converted;
    std::vector<std::size_t> sizes;
    for (int k = 1; k <= 3; ++k) {
        const std::string strOut = "out" + std::to_string(k);
        const auto result =
            RunCli({"encode", "-q", "-r", "--shard", std::to_string(k) + "/3", "-d", strOut, "in"},
                   m_dir.Path());
        ASSERT_EQ(result.m_nStatus, 0) << result.m_strErr;
        const std::set<std::string> share = FilesBelow(m_dir / strOut, ".wrm");
        converted.insert(share.begin(), share.end());
        sizes.push_back(share.size());
    }
    EXPECT_EQ(converted.size(), 10u);
    EXPECT_EQ(std::set<std::string>(converted.begin(), converted.end()).size(), 10u);
    EXPECT_EQ(sizes, (std::vector<std::size_t>{3, 3, 4}));
}

TEST_F(InputListCli, FilesFromReadsOnePathALineFromAFileOrStandardInput) {
    test::WriteBytes(m_dir / "list.txt",
                     {'i',  'n', '/', 't', 'o', 'p', '.', 'w', 'a', 'v', '\r', '\n',
                      '\n', 'i', 'n', '/', 'c', '/', 'Y', '.', 'W', 'A', 'V',  '\n'});
    const auto fromFile = RunCli({"encode", "-q", "--files-from", "list.txt"}, m_dir.Path());
    ASSERT_EQ(fromFile.m_nStatus, 0) << fromFile.m_strErr;
    EXPECT_EQ(FilesBelow(m_dir / "in", ".wrm"), (std::set<std::string>{"c/Y.wrm", "top.wrm"}));
    const auto fromStdin = RunCli({"encode", "-q", "--files-from", "-", "-d", "out"}, m_dir.Path(),
                                  {m_dir / "list.txt", {}});
    ASSERT_EQ(fromStdin.m_nStatus, 0) << fromStdin.m_strErr;
    EXPECT_EQ(FilesBelow(m_dir / "out", ".wrm"), (std::set<std::string>{"Y.wrm", "top.wrm"}));
    const auto missing = RunCli({"encode", "--files-from", "nolist.txt"}, m_dir.Path());
    EXPECT_EQ(missing.m_nStatus, 2);
    EXPECT_EQ(missing.m_strErr, "No such file or directory\nnolist.txt\n");
}

std::vector<InputFile> Numbered(std::size_t nCount) {
    std::vector<InputFile> files;
    for (std::size_t n = 0; n < nCount; ++n) {
        files.push_back({std::to_string(1000 + (n * 7919) % 1000), {}}); // distinct, unsorted
    }
    return files;
}

TEST(Shard, SharesAreDisjointCoverTheSortedListAndDifferByOneAtMost) {
    for (std::size_t nFiles : {0u, 1u, 2u, 5u, 17u, 100u}) {
        for (unsigned nCount : {1u, 2u, 3u, 7u, 16u}) {
            std::vector<std::string> all;
            std::size_t nSmallest = nFiles;
            std::size_t nLargest = 0;
            for (unsigned k = 1; k <= nCount; ++k) {
                std::vector<InputFile> files = Numbered(nFiles);
                KeepShard(files, Shard{k, nCount});
                nSmallest = std::min(nSmallest, files.size());
                nLargest = std::max(nLargest, files.size());
                for (const InputFile& file : files) {
                    all.push_back(file.m_path.string());
                }
            }
            EXPECT_EQ(all.size(), nFiles) << nFiles << "/" << nCount;
            EXPECT_TRUE(std::is_sorted(all.begin(), all.end())) << nFiles << "/" << nCount;
            EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), nFiles);
            EXPECT_LE(nLargest - std::min(nSmallest, nLargest), 1u) << nFiles << "/" << nCount;
        }
    }
}

TEST(Shard, OnlyKOfNWithKFromOneToNIsAccepted) {
    ASSERT_TRUE(ParseShard("3/8"));
    EXPECT_EQ(ParseShard("3/8")->m_nIndex, 3u);
    EXPECT_EQ(ParseShard("3/8")->m_nCount, 8u);
    EXPECT_TRUE(ParseShard("1/1"));
    for (const char* pszBad : {"0/3", "4/3", "3", "/3", "3/", "a/3", "1/3x", "-1/3", "1/0", ""}) {
        EXPECT_FALSE(ParseShard(pszBad)) << pszBad;
    }
}

} // namespace
} // namespace veltrane
