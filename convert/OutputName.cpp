#include "convert/OutputName.h"

namespace veltrane {

std::string ProposedName(const std::string& strName) {
    constexpr std::size_t kReplaced = 3;
    if (strName.size() < kReplaced) {
        return strName + ".wrm";
    }
    return strName.substr(0, strName.size() - kReplaced) + "wrm";
}

std::filesystem::path ProposedOutputPath(const std::filesystem::path& input,
                                         const std::filesystem::path& outputDir) {
    const std::string strName = ProposedName(input.filename().string());
    return (outputDir.empty() ? input.parent_path() : outputDir) / strName;
}

} // namespace veltrane
