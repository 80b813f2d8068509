// SPDX-License-Identifier: BSD-3-Clause
// A stream kept in an unnamed temporary file: its bytes whole, a bound that refuses more, and a
// stream whose start is already gone.
#include "convert/StreamSpool.h"

#include "convert/FileByteSource.h"
#include "tests/support/TestFolder.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace veltrane {
namespace {

std::vector<std::uint8_t> Counting(std::size_t nBytes) {
    std::vector<std::uint8_t> bytes(nBytes);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{7});
    return bytes;
}

TEST(StreamSpool, KeepsEveryByteUpToTheBoundAndRefusesMore) {
    test::CTestFolder dir;
    const std::vector<std::uint8_t> bytes = Counting(200 * 1024 + 3);
    CSpanByteSource source(bytes);
    SpooledStream spool =
        SpoolStream(HostFileSystem(), {"/nonexistent", dir.Path()}, source, bytes.size());
    ASSERT_TRUE(spool.m_pFile) << spool.m_strMessage;
    CFileByteSource kept;
    kept.Adopt(std::move(spool.m_pFile));
    ASSERT_EQ(kept.Size(), bytes.size());
    std::vector<std::uint8_t> back(bytes.size());
    EXPECT_EQ(kept.ReadAt(0, back.data(), back.size()), bytes.size());
    EXPECT_EQ(back, bytes);
    EXPECT_TRUE(dir.Names().empty()); // the file has no name

    const SpooledStream refused =
        SpoolStream(HostFileSystem(), {dir.Path()}, source, bytes.size() - 1);
    EXPECT_FALSE(refused.m_pFile);
    EXPECT_NE(refused.m_strMessage.find("convert it from a file instead"), std::string::npos);
}

TEST(StreamSpool, NoFolderForTheFileGivesTheSystemsText) {
    const std::vector<std::uint8_t> bytes = Counting(10);
    CSpanByteSource source(bytes);
    const SpooledStream spool = SpoolStream(HostFileSystem(), {"/nonexistent"}, source);
    EXPECT_FALSE(spool.m_pFile);
    EXPECT_EQ(spool.m_strMessage, SystemErrorText(ENOENT));
}

} // namespace
} // namespace veltrane
