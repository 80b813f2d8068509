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
    // Starts veltrane-cli with args, in folder workDir, stdout and stderr to files there.
    CCliProcess(const std::vector<std::string>& args, const std::filesystem::path& workDir,
                const CliStreams& streams = {});
    ~CCliProcess();
    CCliProcess(const CCliProcess&) = delete;
    CCliProcess& operator=(const CCliProcess&) = delete;

    void Signal(int nSignal) const;
    CliResult Wait();

  private:
    pid_t m_pid = -1;
    std::filesystem::path m_outPath;
    std::filesystem::path m_errPath;
};

CliResult RunCli(const std::vector<std::string>& args, const std::filesystem::path& workDir,
                 const CliStreams& streams = {});

// The files of dir whose names end in strExtension, in name order.
std::vector<std::string> GoldenFiles(const std::filesystem::path& dir,
                                     const std::string& strExtension);
std::vector<std::string> Concat(std::vector<std::string> args,
                                const std::vector<std::string>& more);

// Waits up to a minute for an output's temporary file to appear in dir; false if none did.
bool WaitForTemporaryFile(const std::filesystem::path& dir);

} // namespace veltrane::test
