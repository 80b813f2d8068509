// SPDX-License-Identifier: BSD-3-Clause
// The inputs of a batch verb as the command line gives them: paths, folders taken with -r, a
// list read with --files-from, and the share of them that --shard K/N keeps.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace veltrane {

struct InputFile {
    std::filesystem::path m_path;
    // The folder of m_path below the folder named on the command line, which -d mirrors;
    // empty for a file named itself.
    std::filesystem::path m_subDir;
};

// An input that gives no file: a folder without -r, or a folder that cannot be read.
struct InputFailure {
    std::filesystem::path m_path;
    std::string m_strMessage; // ends in a line feed; the path follows it
};

struct InputList {
    std::vector<InputFile> m_files;
    std::vector<InputFailure> m_failures;
};

// The files of inputs: each file as it stands; with bRecursive, each folder's files whose names
// end in one of extensions (in any case) at any depth below it, folder by folder in name order.
// Symbolic links to folders are not followed, so no folder is walked twice or forever.
InputList ExpandInputs(const std::vector<std::filesystem::path>& inputs, bool bRecursive,
                       const std::vector<std::string>& extensions);

// Share K of N, as written after --shard: 1 <= K <= N.
struct Shard {
    unsigned m_nIndex = 1;
    unsigned m_nCount = 1;
};

// "K/N" with 1 <= K <= N; none for anything else.
std::optional<Shard> ParseShard(const std::string& strShard);

// Puts files in a stable sorted order (by path) and keeps the shard's share: of L files, those
// from (K-1)*L/N up to K*L/N. The N shares are disjoint, cover the list and differ in size by
// at most one, and every machine that sees the same list computes the same shares.
void KeepShard(std::vector<InputFile>& files, const Shard& shard);

// The paths of a list file, one a line ("-": standard input); empty lines are skipped and a
// line may end in CR LF. 0 or the errno of a failed read.
int ReadPathList(const std::filesystem::path& file, std::vector<std::filesystem::path>& paths);

} // namespace veltrane
