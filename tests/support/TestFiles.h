// Scratch folders and whole-file reads and writes for the tests.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace veltrane::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class CTempDir {
  public:
    CTempDir() {
        std::string strTemplate =
            (std::filesystem::temp_directory_path() / "veltrane-XXXXXX").string();
        if (::mkdtemp(strTemplate.data()) != nullptr) {
            m_path = strTemplate;
        }
    }
    ~CTempDir() {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& strName) const { return m_path / strName; }

    // The names of the folder's entries, hidden ones included.
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

  private:
    std::filesystem::path m_path;
};

inline void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
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
