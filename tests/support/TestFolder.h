// A fresh folder under the system's temporary folder, removed with everything in it when the
// test ends, and small helpers to put files there and read them back.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace veltrane::test {

class CTestFolder {
  public:
    CTestFolder() {
        std::string sTemplate =
            (std::filesystem::temp_directory_path() / "veltrane-XXXXXX").string();
        m_sPath = ::mkdtemp(sTemplate.data());
    }
    ~CTestFolder() {
        std::error_code error;
        std::filesystem::remove_all(m_sPath, error);
    }
    CTestFolder(const CTestFolder&) = delete;
    CTestFolder& operator=(const CTestFolder&) = delete;

    const std::string& Path() const { return m_sPath; }
    // The path of sName inside the folder; sub-folders are made on the way.
    std::string Make(const std::string& sName) const {
        const std::filesystem::path path = std::filesystem::path(m_sPath) / sName;
        std::filesystem::create_directories(path.parent_path());
        return path.string();
    }

  private:
    std::string m_sPath;
};

inline void WriteBytes(const std::string& sPath, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(sPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& sPath) {
    std::ifstream in(sPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline bool Exists(const std::string& sPath) {
    return std::filesystem::exists(sPath);
}

} // namespace veltrane::test
