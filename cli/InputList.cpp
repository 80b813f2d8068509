// SPDX-License-Identifier: BSD-3-Clause
#include "cli/InputList.h"

#include "convert/StandardStreams.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <iostream>
#include <strings.h>

namespace veltrane {

namespace {

constexpr const char* kMsgFolderWithoutRecursion =
    "It is a folder; -r converts the files below it.\n";

bool HasExtension(const std::filesystem::path& path, const std::vector<std::string>& extensions) {
    return std::any_of(extensions.begin(), extensions.end(), [&path](const std::string& s) {
        return ::strcasecmp(path.extension().c_str(), s.c_str()) == 0;
    });
}

// Walks folder and adds its files with the extension, subDir naming folder below the root.
void Walk(const std::filesystem::path& folder, const std::filesystem::path& subDir,
          const std::vector<std::string>& extensions, InputList& list) {
    std::error_code error;
    std::vector<std::filesystem::directory_entry> entries;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        entries.push_back(*it);
    }
    if (error) {
        list.m_failures.push_back({folder, SystemErrorText(error.value())});
        return;
    }
    std::sort(entries.begin(), entries.end());
    for (const std::filesystem::directory_entry& entry : entries) {
        std::error_code statError;
        const bool bLink = entry.is_symlink(statError);
        if (entry.is_directory(statError)) {
            if (!bLink) {
                Walk(entry.path(), subDir / entry.path().filename(), extensions, list);
            }
        } else if (HasExtension(entry.path(), extensions)) {
            list.m_files.push_back({entry.path(), subDir});
        }
    }
}

} // namespace

InputList ExpandInputs(const std::vector<std::filesystem::path>& inputs, bool bRecursive,
                       const std::vector<std::string>& extensions) {
    InputList list;
    for (const std::filesystem::path& input : inputs) {
        std::error_code error;
        if (IsStandardStream(input) || !std::filesystem::is_directory(input, error)) {
            list.m_files.push_back({input, {}});
        } else if (!bRecursive) {
            list.m_failures.push_back({input, kMsgFolderWithoutRecursion});
        } else {
            Walk(input, {}, extensions, list);
        }
    }
    return list;
}

std::optional<Shard> ParseShard(const std::string& strShard) {
    const std::size_t nSlash = strShard.find('/');
    if (nSlash == std::string::npos) {
        return std::nullopt;
    }
    Shard shard;
    const char* pEnd = strShard.data() + strShard.size();
    const auto [pK, errK] =
        std::from_chars(strShard.data(), strShard.data() + nSlash, shard.m_nIndex);
    const auto [pN, errN] = std::from_chars(strShard.data() + nSlash + 1, pEnd, shard.m_nCount);
    const bool bWhole =
        errK == std::errc() && pK == strShard.data() + nSlash && errN == std::errc() && pN == pEnd;
    if (!bWhole || shard.m_nIndex < 1 || shard.m_nIndex > shard.m_nCount) {
        return std::nullopt;
    }
    return shard;
}

void KeepShard(std::vector<InputFile>& files, const Shard& shard) {
    std::stable_sort(files.begin(), files.end(), [](const InputFile& a, const InputFile& b) {
        return a.m_path.native() < b.m_path.native();
    });
    const std::uint64_t nSize = files.size();
    const std::uint64_t nBegin = (shard.m_nIndex - 1) * nSize / shard.m_nCount;
    const std::uint64_t nEnd = shard.m_nIndex * nSize / shard.m_nCount;
    files.erase(files.begin() + static_cast<std::ptrdiff_t>(nEnd), files.end());
    files.erase(files.begin(), files.begin() + static_cast<std::ptrdiff_t>(nBegin));
}

int ReadPathList(const std::filesystem::path& file, std::vector<std::filesystem::path>& paths) {
    std::ifstream stream;
    if (!IsStandardStream(file)) {
        stream.open(file);
        if (!stream) {
            return errno != 0 ? errno : EIO;
        }
    }
    std::istream& in = IsStandardStream(file) ? std::cin : stream;
    for (std::string strLine; std::getline(in, strLine);) {
        if (!strLine.empty() && strLine.back() == '\r') {
            strLine.pop_back();
        }
        if (!strLine.empty()) {
            paths.emplace_back(strLine);
        }
    }
    return in.bad() ? EIO : 0;
}

} // namespace veltrane
