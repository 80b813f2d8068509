// SPDX-License-Identifier: BSD-3-Clause
// Files as the conversion uses them: open for reading or writing, create (exclusive or unnamed),
// private folders, delete, rename (replacing or not), size, seek, read, write, truncate and mode,
// and symbolic links. Every operation returns 0 or the errno of its failure (or one of the
// kError values below), whose text SystemErrorText gives for the messages.
// Nothing here creates a file over an existing name, follows a link where a new file is made, or
// waits on a file that another process controls (a pipe, a device): a folder that other users
// may write cannot turn a create into a write elsewhere, or hold the program up. Paths use "/"; a
// relative path is resolved against the file system's current directory, which the open and save
// dialogs move.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace veltrane {

// An open file. Closing it when it goes out of scope is silent; call Close to learn of a
// write error that the system reports only then.
class IFile {
  public:
    virtual ~IFile() = default;

    // Reads up to nBytes at the current position; *pnRead gets the count, fewer than asked
    // only at the end of the file.
    virtual int Read(void* pBuffer, std::size_t nBytes, std::size_t* pnRead) = 0;
    // Writes all nBytes at the current position, or fails (some of them may then be written).
    virtual int Write(const void* pBuffer, std::size_t nBytes) = 0;
    // Moves the position to nOffset bytes from the start.
    virtual int Seek(std::uint64_t nOffset) = 0;
    virtual int Size(std::uint64_t* pnSize) = 0;
    // Makes the written bytes durable before a rename publishes them.
    virtual int Sync() = 0;
    // Cuts the file to nSize bytes.
    virtual int Truncate(std::uint64_t nSize) = 0;
    // The permission bits of the file (07777 of its mode), and setting them.
    virtual int Mode(std::uint32_t* pnMode) = 0;
    virtual int SetMode(std::uint32_t nMode) = 0;
    // Sets the file's modification time, in nanoseconds since 1970 (UTC).
    virtual int SetModifiedTime(std::int64_t nNanoseconds) = 0;
    // Gives a file made by CreateUnnamed the absolute name sPath, in the folder it was made in;
    // EEXIST when that name is taken, which is kept.
    virtual int Link(const std::string& sPath) = 0;
    virtual int Close() = 0;
};

struct FileStatus {
    std::uint32_t m_nMode = 0;        // permission bits (07777)
    std::int64_t m_nModifiedTime = 0; // nanoseconds since 1970 (UTC)
};

class IFileSystem {
  public:
    virtual ~IFileSystem() = default;

    // Opens an existing regular file for reading; others may read it meanwhile. The open never
    // waits: a folder is refused with EISDIR, any other file that is not a regular one (a pipe,
    // a device, a socket) with kErrorNotRegularFile.
    virtual int OpenRead(const std::string& sPath, std::unique_ptr<IFile>* ppFile) = 0;
    // Creates a new file for writing, readable and writable by its owner only (SetMode gives it
    // its final mode): EEXIST when the name is taken by anything, a symbolic link or a pipe
    // included, which is left as it is.
    virtual int CreateNew(const std::string& sPath, std::unique_ptr<IFile>* ppFile) = 0;
    // Creates a file without a name in the folder sFolder, for writing (and reading back), with
    // the mode of CreateNew: it vanishes with its last descriptor, even when the process is
    // killed, unless IFile::Link names it. Fails (for example with EOPNOTSUPP) where the folder's file system
    // has no such files.
    virtual int CreateUnnamed(const std::string& sFolder, std::unique_ptr<IFile>* ppFile) = 0;
    // Opens an existing regular file for writing, at its start, without emptying it, and without
    // waiting: fails as the system refuses a writer (a write-protected file, a folder), with
    // ELOOP when sPath itself is a symbolic link (its caller follows links with FollowLinks),
    // and with kErrorNotRegularFile for a pipe, a device or a socket.
    virtual int OpenWrite(const std::string& sPath, std::unique_ptr<IFile>* ppFile) = 0;
    // Makes a new folder in sParent that only its owner may enter, under a name no other
    // process can foresee; *psFolder gets its absolute path, without a trailing "/".
    virtual int MakePrivateFolder(const std::string& sParent, std::string* psFolder) = 0;
    // Removes an empty folder (ENOTEMPTY otherwise, and it stays).
    virtual int DeleteFolder(const std::string& sFolder) = 0;
    // The mode and modification time of the file sPath names, links followed.
    virtual int Status(const std::string& sPath, FileStatus* pStatus) = 0;
    virtual int Delete(const std::string& sPath) = 0;
    // Renames sFrom to sTo, replacing sTo in one step.
    virtual int Rename(const std::string& sFrom, const std::string& sTo) = 0;
    // Renames sFrom to sTo unless sTo exists (EEXIST, and both stay as they were).
    virtual int RenameNoReplace(const std::string& sFrom, const std::string& sTo) = 0;
    // The file that sPath names once every symbolic link on its way is followed (sPath itself
    // when it holds none, or the path a dangling link points at); absolute. A link is followed
    // only where the system's protection of shared folders would follow it: in a folder that
    // everyone may write and that has its sticky bit (as /tmp), only a link owned by the user
    // running the program or by the folder's owner; any other gives kErrorUnsafeLink.
    virtual int FollowLinks(const std::string& sPath, std::string* psTarget) = 0;

    // The folder against which relative paths are resolved, without a trailing "/" (except
    // for the root itself).
    virtual std::string CurrentDirectory() const = 0;
    virtual int SetCurrentDirectory(const std::string& sFolder) = 0;
};

// The refusal of a file that is not a regular one (as input or output), for which the system has
// no errno.
inline constexpr int kErrorNotRegularFile = -1;
// The refusal of a symbolic link that another user may have planted in a shared folder.
inline constexpr int kErrorUnsafeLink = -2;

// The system's own text for an errno (our own for kErrorNotRegularFile), ending in a line feed so
// that a path that follows it in a message stands on a line of its own.
std::string SystemErrorText(int nError);

// sPath made absolute against sCurrentDir.
std::string AbsolutePath(const std::string& sCurrentDir, const std::string& sPath);
// The folder part of a path, without its trailing "/" ("/" for a file in the root, "" for a
// bare name), and the name part.
std::string FolderOf(const std::string& sPath);
std::string NameOf(const std::string& sPath);
// sFolder followed by exactly one "/".
std::string WithTrailingSlash(const std::string& sFolder);

// The permission bits of a new result made from an input of mode nInputMode: the input's read
// and write bits, less the write bits for the group and others that nUmask withholds. A private
// recording thus gives a private result, and no result is readable by more users than its input.
std::uint32_t ResultMode(std::uint32_t nInputMode, std::uint32_t nUmask);

} // namespace veltrane
