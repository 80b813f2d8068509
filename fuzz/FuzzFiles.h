// SPDX-License-Identifier: BSD-3-Clause
// What the fuzz targets that go through files share: a work folder of their own, removed when
// the run ends, and whole-file reads and writes.
#pragma once

#include "FuzzCheck.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <span>
#include <string>
#include <vector>

namespace veltrane::fuzz {

inline const std::filesystem::path& WorkFolder() {
    static const std::filesystem::path folder = [] {
        const char* pszTemp = std::getenv("TMPDIR");
        std::string strTemplate = std::string(pszTemp ? pszTemp : "/tmp") + "/veltrane-fuzz-XXXXXX";
        Require(mkdtemp(strTemplate.data()) != nullptr, "a work folder can be made");
        std::atexit([] {
            std::error_code error;
            std::filesystem::remove_all(WorkFolder(), error);
        });
        return std::filesystem::path(strTemplate);
    }();
    return folder;
}

inline void WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    Require(file.good(), "the input file can be written");
}

// The input file sInput of the work folder holding bytes, and the output file sOutput that a job
// is to write, removed if an earlier run left it.
struct JobFiles {
    std::filesystem::path m_input;
    std::filesystem::path m_output;
};
inline JobFiles PrepareJobFiles(std::span<const std::uint8_t> bytes, const std::string& sInput,
                                const std::string& sOutput) {
    JobFiles files{WorkFolder() / sInput, WorkFolder() / sOutput};
    WriteWholeFile(files.m_input, bytes);
    std::filesystem::remove(files.m_output);
    return files;
}

inline std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Fails unless the work folder holds nothing but the named files: a job must not leave its
// temporary file behind, whatever it made of its input.
inline void RequireOnlyFiles(std::initializer_list<std::filesystem::path> names) {
    for (const std::filesystem::directory_entry& entry :
         std::filesystem::directory_iterator(WorkFolder())) {
        bool bKnown = false;
        for (const std::filesystem::path& name : names) {
            bKnown = bKnown || entry.path().filename() == name.filename();
        }
        Require(bKnown, "no temporary file is left behind");
    }
}

} // namespace veltrane::fuzz
