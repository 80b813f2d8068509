// SPDX-License-Identifier: BSD-3-Clause
// The file system of the host, through POSIX calls.
#pragma once

#include "platform/FileSystem.h"

#include <cstdint>
#include <mutex>
#include <span>

namespace veltrane {

// Opens the regular file sPath (absolute or relative to the process's working directory) for
// reading without ever waiting: *pnFd gets its descriptor (close-on-exec), or the result is
// EISDIR for a folder, kErrorNotRegularFile for a pipe, a device or a socket, or the errno of the
// failed open.
int OpenRegularFile(const std::string& sPath, int* pnFd);

class CPosixFileSystem : public IFileSystem {
  public:
    // Starts in the process's working directory.
    CPosixFileSystem();

    int OpenRead(const std::string& sPath, std::unique_ptr<IFile>* ppFile) override;
    int CreateNew(const std::string& sPath, std::unique_ptr<IFile>* ppFile) override;
    int CreateUnnamed(const std::string& sFolder, std::unique_ptr<IFile>* ppFile) override;
    int OpenWrite(const std::string& sPath, std::unique_ptr<IFile>* ppFile) override;
    int MakePrivateFolder(const std::string& sParent, std::string* psFolder) override;
    int DeleteFolder(const std::string& sFolder) override;
    int Status(const std::string& sPath, FileStatus* pStatus) override;
    int Delete(const std::string& sPath) override;
    int Rename(const std::string& sFrom, const std::string& sTo) override;
    int RenameNoReplace(const std::string& sFrom, const std::string& sTo) override;
    int FollowLinks(const std::string& sPath, std::string* psTarget) override;
    std::string CurrentDirectory() const override;
    int SetCurrentDirectory(const std::string& sFolder) override;

  private:
    std::string Resolve(const std::string& sPath) const;

    // Kept here rather than in the process, so that the worker thread's absolute paths and the
    // dialogs' changes never race on a process-wide setting.
    mutable std::mutex m_mutex;
    std::string m_sCurrentDir;
};

// The process's file-mode creation mask, read without changing it (where the system cannot tell
// it without a change, the usual 022).
std::uint32_t ProcessUmask();

// Writes every byte to the descriptor nFd, again after an interrupted or partial write. Returns
// 0 or the errno (ENOSPC when the system takes no byte).
int WriteAllTo(int nFd, std::span<const std::uint8_t> bytes);

} // namespace veltrane
