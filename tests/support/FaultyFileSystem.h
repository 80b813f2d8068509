// SPDX-License-Identifier: BSD-3-Clause
// A file system that passes every call to a real one, except the failures a test injects, and
// that logs the calls that change files (open, create, delete, rename) in order.
#pragma once

#include "platform/FileSystem.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace veltrane {

// OpenWrite: an existing file opened for writing. Create faults apply to CreateNew, and to
// MakePrivateFolder, matched against the parent folder with "/" and the new folder's pattern
// ".veltrane-XXXXXX" appended; Rename faults to RenameNoReplace. CreateUnnamed is matched against
// its folder with a "/" appended, and so are the reads and writes of the file it makes; Link
// against the name given. A Read fault whose error is kBlockUntilReleased holds the read up
// (once m_nAfterBytes have passed) until ReleaseBlocked, then fails with EIO, as a read that the
// system holds up would.
enum class FileOp {
    Open,
    Create,
    Read,
    Write,
    Sync,
    Close,
    Delete,
    Rename,
    OpenWrite,
    CreateUnnamed,
    Link
};

struct FileFault {
    FileOp m_op;
    // Matched against the absolute path (both paths of a rename) as fnmatch does without
    // FNM_PATHNAME, so "*" also crosses "/": "*/tmp0.~rm", "/data/ro/*".
    std::string m_sPattern;
    int m_nError;
    // Read and Write: how many bytes of the file pass before the failure.
    std::uint64_t m_nAfterBytes = 0;
};

inline constexpr int kBlockUntilReleased = -1000;

class CFaultyFileSystem : public IFileSystem {
  public:
    explicit CFaultyFileSystem(IFileSystem& inner) : m_inner(inner) {}
    // Releases the reads held up now and later.
    ~CFaultyFileSystem() override { ReleaseBlocked(); }
    CFaultyFileSystem(const CFaultyFileSystem&) = delete;
    CFaultyFileSystem& operator=(const CFaultyFileSystem&) = delete;

    // The fault holds until ClearFaults; the first matching fault of an operation applies.
    void InjectFault(FileFault fault);
    void ClearFaults();
    // Lets every read held up by kBlockUntilReleased go on (and fail), now and from now on.
    void ReleaseBlocked();
    // Whether a read is held up now.
    bool Blocked() const;
    // "open PATH", "create-new PATH", "create-unnamed FOLDER/", "link PATH", "open-write PATH",
    // "make-folder PARENT/", "delete-folder PATH", "delete PATH", "rename FROM TO",
    // "rename-noreplace FROM TO";
    // a failed call ends in " -> " and the errno's text.
    std::vector<std::string> Operations() const;

    int OpenRead(const std::string& sPath, std::unique_ptr<IFile>* ppFile) override;
    int CreateNew(const std::string& sPath, std::unique_ptr<IFile>* ppFile) override;
    int CreateUnnamed(const std::string& sFolder, std::unique_ptr<IFile>* ppFile) override;
    int OpenWrite(const std::string& sPath, std::unique_ptr<IFile>* ppFile) override;
    int MakePrivateFolder(const std::string& sParent, std::string* psFolder) override;
    int DeleteFolder(const std::string& sFolder) override;
    int Status(const std::string& sPath, FileStatus* pStatus) override {
        return m_inner.Status(AbsolutePath(CurrentDirectory(), sPath), pStatus);
    }
    int Delete(const std::string& sPath) override;
    int Rename(const std::string& sFrom, const std::string& sTo) override;
    int RenameNoReplace(const std::string& sFrom, const std::string& sTo) override;
    int FollowLinks(const std::string& sPath, std::string* psTarget) override {
        return m_inner.FollowLinks(AbsolutePath(CurrentDirectory(), sPath), psTarget);
    }
    std::string CurrentDirectory() const override { return m_inner.CurrentDirectory(); }
    int SetCurrentDirectory(const std::string& sFolder) override {
        return m_inner.SetCurrentDirectory(sFolder);
    }

  private:
    // The errno of the first fault of op that matches the path; 0 when none does.
    int InjectedError(FileOp op, const std::string& sAbsolute) const;
    std::vector<FileFault> FaultsOf(const std::string& sAbsolute) const;
    int Record(std::string sCall, int nError);
    using InnerOpen = std::function<int(std::unique_ptr<IFile>*)>;
    // The fault of op for sMatched, or else inner's open, whose file is then wrapped; recorded
    // as sCall either way.
    int OpenThrough(FileOp op, const std::string& sMatched, const std::string& sCall,
                    std::unique_ptr<IFile>* ppFile, const InnerOpen& inner);
    int Open(FileOp op, const std::string& sPath, std::unique_ptr<IFile>* ppFile);
    int RenameAs(const char* pszVerb, bool bReplace, const std::string& sFrom,
                 const std::string& sTo);
    // Wraps an open inner file so that the faults of sMatched apply to it.
    std::unique_ptr<IFile> Wrap(std::unique_ptr<IFile> pInner, const std::string& sMatched);
    // Holds a read up until ReleaseBlocked.
    void Block();

    IFileSystem& m_inner;
    mutable std::mutex m_mutex;
    std::vector<FileFault> m_faults;
    std::vector<std::string> m_operations;
    std::condition_variable m_released;
    bool m_bReleased = false;
    int m_nBlocked = 0;
};

} // namespace veltrane
