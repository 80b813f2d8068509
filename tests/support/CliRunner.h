// SPDX-License-Identifier: BSD-3-Clause
// Runs veltrane-cli as a child process and collects its exit status and output.
#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace veltrane::test {

struct CliResult {
    int m_nStatus = -1; // exit status, or -1 when the program did not exit normally
    std::string m_strOut;
    std::string m_strErr;
};

// Where the child's standard input comes from and, when not empty, where its standard output
// goes instead of the file that CliResult::m_strOut is read from (e.g. a terminal).
struct CliStreams {
    std::filesystem::path m_stdin = "/dev/null";
    std::filesystem::path m_stdout;
};

class CCliProcess {
  public:
    // Starts veltrane-cli with args, in folder workDir, stdout and stderr to files beside it;
    // with a prefix, the program prefix names (found on PATH) with veltrane-cli and args after it.
    CCliProcess(const std::vector<std::string>& args, const std::filesystem::path& workDir,
                const CliStreams& streams = {}, const std::vector<std::string>& prefix = {});
    ~CCliProcess();
    CCliProcess(const CCliProcess&) = delete;
    CCliProcess& operator=(const CCliProcess&) = delete;

    void Signal(int nSignal) const;
    // Waits up to a minute until the program holds a file of dir open for writing its output
    // (named or not); false if it never did.
    bool WaitForOutput(const std::filesystem::path& dir) const;
    CliResult Wait();

  private:
    pid_t m_pid = -1;
    std::filesystem::path m_outPath;
    std::filesystem::path m_errPath;
};

CliResult RunCli(const std::vector<std::string>& args, const std::filesystem::path& workDir,
                 const CliStreams& streams = {});
// veltrane-cli run by /bin/sh after the shell command sLimits (for example "ulimit -v 100000").
CliResult RunCliLimited(const std::string& sLimits, const std::vector<std::string>& args,
                        const std::filesystem::path& workDir);

// The files of dir whose names end in strExtension, in name order.
std::vector<std::string> GoldenFiles(const std::filesystem::path& dir,
                                     const std::string& strExtension);
std::vector<std::string> Concat(std::vector<std::string> args,
                                const std::vector<std::string>& more);

} // namespace veltrane::test
