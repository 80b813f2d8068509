#include "CliRunner.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace veltrane::test {

namespace {

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

} // namespace

CCliProcess::CCliProcess(const std::vector<std::string>& args,
                         const std::filesystem::path& workDir) {
    std::vector<std::string> argv{VELTRANE_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argPointers;
    for (std::string& strArg : argv) {
        argPointers.push_back(strArg.data());
    }
    argPointers.push_back(nullptr);
    // The output files live outside the folder under test, beside it.
    m_outPath = workDir.parent_path() / (workDir.filename().string() + ".stdout");
    m_errPath = workDir.parent_path() / (workDir.filename().string() + ".stderr");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, m_outPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, m_errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    if (posix_spawn(&m_pid, argPointers[0], &actions, nullptr, argPointers.data(), environ) != 0) {
        m_pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
}

CCliProcess::~CCliProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        Wait();
    }
    std::error_code error;
    std::filesystem::remove(m_outPath, error);
    std::filesystem::remove(m_errPath, error);
}

void CCliProcess::Signal(int nSignal) const {
    if (m_pid > 0) {
        ::kill(m_pid, nSignal);
    }
}

CliResult CCliProcess::Wait() {
    CliResult result;
    int nWaitStatus = 0;
    if (m_pid > 0 && ::waitpid(m_pid, &nWaitStatus, 0) == m_pid && WIFEXITED(nWaitStatus)) {
        result.m_nStatus = WEXITSTATUS(nWaitStatus);
    }
    m_pid = -1;
    result.m_strOut = ReadText(m_outPath);
    result.m_strErr = ReadText(m_errPath);
    return result;
}

CliResult RunCli(const std::vector<std::string>& args, const std::filesystem::path& workDir) {
    CCliProcess process(args, workDir);
    return process.Wait();
}

} // namespace veltrane::test
