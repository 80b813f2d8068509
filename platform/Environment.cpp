// SPDX-License-Identifier: BSD-3-Clause
#include "platform/Environment.h"

#include <algorithm>
#include <cstdlib>

namespace veltrane {

std::optional<std::string> CPosixEnvironment::Variable(const std::string& sName) const {
    const char* pszValue = std::getenv(sName.c_str());
    if (pszValue == nullptr) {
        return std::nullopt;
    }
    return std::string(pszValue);
}

std::vector<std::string> TemporaryFolders(const IEnvironment& environment) {
    std::vector<std::string> folders;
    for (const char* pszName : {"TEMP", "TMPDIR"}) {
        std::optional<std::string> sValue = environment.Variable(pszName);
        while (sValue && sValue->size() > 1 && sValue->back() == '/') {
            sValue->pop_back();
        }
        if (sValue && !sValue->empty()) {
            folders.push_back(*sValue);
        }
    }
    folders.emplace_back("/tmp");
    std::vector<std::string> unique;
    for (const std::string& sFolder : folders) {
        if (std::find(unique.begin(), unique.end(), sFolder) == unique.end()) {
            unique.push_back(sFolder);
        }
    }
    return unique;
}

} // namespace veltrane
