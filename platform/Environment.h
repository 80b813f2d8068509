// Environment variables, and the folder for temporary files that they name.
#pragma once

#include <optional>
#include <string>

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

// The folder for temporary files: "TEMP" when it is set and not empty, else TMPDIR, else /tmp.
// Returned without a trailing "/" unless it is the root.
std::string TemporaryFolder(const IEnvironment& environment);

} // namespace veltrane
