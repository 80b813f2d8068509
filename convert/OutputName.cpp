// SPDX-License-Identifier: BSD-3-Clause
#include "convert/OutputName.h"

#include "convert/Utf8.h"

#include <algorithm>
#include <cctype>

namespace veltrane {

namespace {

std::filesystem::path BesideOrIn(const std::filesystem::path& input,
                                 const std::filesystem::path& outputDir,
                                 const std::string& strName) {
    return (outputDir.empty() ? input.parent_path() : outputDir) / strName;
}

bool EndsWithNoCase(const std::string& strName, const std::string& strEnd) {
    return strName.size() >= strEnd.size() &&
           std::equal(strEnd.rbegin(), strEnd.rend(), strName.rbegin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

} // namespace

std::string ProposedName(const std::string& strName) {
    constexpr std::size_t kReplaced = 3;
    // Characters, not bytes: the cut never falls inside a UTF-8 sequence.
    const std::optional<std::size_t> nStart = Utf8TailStart(strName, kReplaced);
    return nStart ? strName.substr(0, *nStart) + "wrm" : strName + ".wrm";
}

std::filesystem::path ProposedOutputPath(const std::filesystem::path& input,
                                         const std::filesystem::path& outputDir) {
    return BesideOrIn(input, outputDir, ProposedName(input.filename().string()));
}

std::string EncodedName(const std::string& strName) {
    std::filesystem::path name(strName);
    name.replace_extension(".wrm"); // a leading dot starts a name, not an extension
    return name.string();
}

std::filesystem::path EncodedOutputPath(const std::filesystem::path& input,
                                        const std::filesystem::path& outputDir) {
    return BesideOrIn(input, outputDir, EncodedName(input.filename().string()));
}

std::string DecodedName(const std::string& strName) {
    const std::string strEnd = ".wrm";
    const bool bWrm = EndsWithNoCase(strName, strEnd) && strName.size() > strEnd.size();
    return strName.substr(0, strName.size() - (bWrm ? strEnd.size() : 0)) + ".decoded.wav";
}

std::filesystem::path DecodedOutputPath(const std::filesystem::path& input,
                                        const std::filesystem::path& outputDir) {
    return BesideOrIn(input, outputDir, DecodedName(input.filename().string()));
}

} // namespace veltrane
