// SPDX-License-Identifier: BSD-3-Clause
// Everything a test needs to run the dialog's logic without a window: real files under a
// fault-injecting layer, an environment of the test's choosing, a scripted user interface and
// a message loop that the test runs.
#pragma once

#include "tests/support/FaultyFileSystem.h"
#include "platform/Platform.h"
#include "platform/PosixFileSystem.h"
#include "tests/support/ScriptedLoop.h"
#include "tests/support/ScriptedUi.h"

#include <map>

namespace veltrane {

// Starts with no variable set.
class CScriptedEnvironment : public IEnvironment {
  public:
    void Set(const std::string& sName, const std::string& sValue) { m_values[sName] = sValue; }
    void Unset(const std::string& sName) { m_values.erase(sName); }
    std::optional<std::string> Variable(const std::string& sName) const override {
        const auto it = m_values.find(sName);
        return it == m_values.end() ? std::nullopt : std::optional<std::string>(it->second);
    }

  private:
    std::map<std::string, std::string> m_values;
};

class CScriptedPlatform {
  public:
    CScriptedPlatform() = default;
    CScriptedPlatform(const CScriptedPlatform&) = delete;
    CScriptedPlatform& operator=(const CScriptedPlatform&) = delete;

    Platform Get() { return Platform{m_files, m_environment, m_ui, m_loop}; }
    CFaultyFileSystem& Files() { return m_files; }
    CScriptedEnvironment& Environment() { return m_environment; }
    CScriptedUi& Ui() { return m_ui; }
    CScriptedLoop& Loop() { return m_loop; }

  private:
    CPosixFileSystem m_posix;
    CFaultyFileSystem m_files{m_posix};
    CScriptedEnvironment m_environment;
    CScriptedUi m_ui{m_files};
    CScriptedLoop m_loop;
};

} // namespace veltrane
