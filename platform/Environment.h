// SPDX-License-Identifier: BSD-3-Clause
// Environment variables, and the folder for temporary files that they name.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace veltrane {

class IEnvironment {
  public:
    virtual ~IEnvironment() = default;
    // The variable's value; nothing when it is not set.
    virtual std::optional<std::string> Variable(const std::string& sName) const = 0;
};

class CPosixEnvironment : public IEnvironment {
  public:
    std::optional<std::string> Variable(const std::string& sName) const override;
};

// The folders for temporary files, in the order to try them: "TEMP" and TMPDIR when they are set
// and not empty, then /tmp; each once, without a trailing "/" unless it is the root.
std::vector<std::string> TemporaryFolders(const IEnvironment& environment);

} // namespace veltrane
