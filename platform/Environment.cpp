#include "platform/Environment.h"

#include <cstdlib>

namespace veltrane {

std::optional<std::string> CPosixEnvironment::Variable(const std::string& sName) const {
    const char* pszValue = std::getenv(sName.c_str());
    if (pszValue == nullptr) {
        return std::nullopt;
    }
    return std::string(pszValue);
}

std::string TemporaryFolder(const IEnvironment& environment) {
    for (const char* pszName : {"TEMP", "TMPDIR"}) {
        std::optional<std::string> sValue = environment.Variable(pszName);
        while (sValue && sValue->size() > 1 && sValue->back() == '/') {
            sValue->pop_back();
        }
        if (sValue && !sValue->empty()) {
            return *sValue;
        }
    }
    return "/tmp";
}

} // namespace veltrane
