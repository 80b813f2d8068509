// SPDX-License-Identifier: BSD-3-Clause
// A fresh folder under the system's temporary folder, removed with everything in it when the
// test ends, and small helpers to put files there and read them back.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace veltrane::test {

class CTestFolder {
  public:
    CTestFolder() {
        std::string sTemplate =
            (std::filesystem::temp_directory_path() / "veltrane-XXXXXX").string();
        if (::mkdtemp(sTemplate.data()) != nullptr) {
            m_sPath = sTemplate;
        }
    }
    ~CTestFolder() {
        std::error_code error;
        std::filesystem::remove_all(m_sPath, error);
    }
    CTestFolder(const CTestFolder&) = delete;
    CTestFolder& operator=(const CTestFolder&) = delete;

    const std::string& Path() const { return m_sPath; }
    std::filesystem::path operator/(const std::string& sName) const {
        return std::filesystem::path(m_sPath) / sName;
    }
    // The path of sName inside the folder; sub-folders are made on the way.
    std::string Make(const std::string& sName) const {
        const std::filesystem::path path = *this / sName;
        std::filesystem::create_directories(path.parent_path());
        return path.string();
    }
    // The names of the folder's entries, hidden ones included.
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_sPath)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

  private:
    std::string m_sPath;
};

inline void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The names of a folder's entries, sorted.
inline std::vector<std::string> Listing(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline bool Exists(const std::filesystem::path& path) {
    return std::filesystem::exists(path);
}

// Deterministic noise, so that every frame of the encoder has something to do.
inline std::vector<std::int16_t> Noise(std::size_t nSamples, std::uint32_t nSeed = 1) {
    std::vector<std::int16_t> samples(nSamples);
    for (std::int16_t& nSample : samples) {
        nSeed = nSeed * 1664525u + 1013904223u;
        nSample = static_cast<std::int16_t>(static_cast<std::int32_t>(nSeed >> 16) / 4 - 8192);
    }
    return samples;
}

} // namespace veltrane::test
