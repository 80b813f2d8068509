// SPDX-License-Identifier: BSD-3-Clause
#include "tests/support/CliRunner.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace veltrane::test {

namespace {

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

} // namespace

CCliProcess::CCliProcess(const std::vector<std::string>& args, const std::filesystem::path& workDir,
                         const CliStreams& streams, const std::vector<std::string>& prefix) {
    std::vector<std::string> argv = prefix;
    argv.emplace_back(VELTRANE_CLI);
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
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, streams.m_stdin.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO,
                                     streams.m_stdout.empty() ? m_outPath.c_str()
                                                              : streams.m_stdout.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC | O_NOCTTY, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, m_errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    if (posix_spawnp(&m_pid, argPointers[0], &actions, nullptr, argPointers.data(), environ) != 0) {
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

bool CCliProcess::WaitForOutput(const std::filesystem::path& dir) const {
    const std::string sFolder = std::filesystem::weakly_canonical(dir).string() + "/";
    const std::filesystem::path fds = "/proc/" + std::to_string(m_pid) + "/fd";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(fds, error)) {
            const std::filesystem::path target = std::filesystem::read_symlink(entry, error);
            if (!error && target.string().starts_with(sFolder)) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

CliResult RunCli(const std::vector<std::string>& args, const std::filesystem::path& workDir,
                 const CliStreams& streams) {
    CCliProcess process(args, workDir, streams);
    return process.Wait();
}

CliResult RunCliLimited(const std::string& sLimits, const std::vector<std::string>& args,
                        const std::filesystem::path& workDir) {
    CCliProcess process(args, workDir, {}, {"/bin/sh", "-c", sLimits + " && exec \"$@\"", "sh"});
    return process.Wait();
}

std::vector<std::string> GoldenFiles(const std::filesystem::path& dir,
                                     const std::string& strExtension) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() == strExtension) {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> Concat(std::vector<std::string> args,
                                const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

} // namespace veltrane::test
