// SPDX-License-Identifier: BSD-3-Clause
// An output that appears under its name only when it is complete, for the dialog's save step and
// the command line alike. The rules, in one place:
// - A symbolic link as the destination is followed: its target receives the bytes, and the link
//   stays.
// - A target that exists and may not be written (write-protected, a folder) is refused with the
//   system's error, as creating it would be; without m_bReplace any existing target is refused
//   with EEXIST. Either way it is left as it was.
// - The bytes go to a temporary file in the target's folder, are made durable, and are put in
//   place in one step at the end. With m_bUnnamedTemporary the temporary file has no name until
//   it is complete, so that a process killed meanwhile leaves nothing; where the file system has
//   no unnamed files (or without that rule) it is a new name beside the target, ending in
//   ".~part", that no existing file bears. A replaced file keeps its permission bits; a new one
//   gets m_nModeOfNew. Without m_bReplace a target that appeared meanwhile is kept and EEXIST
//   returned.
// - A symbolic link that another user may have planted in a shared folder is not followed
//   (kErrorUnsafeLink), and no existing name is ever emptied to make a file.
// - Where the folder refuses the temporary file but an existing target may be written, the
//   target itself is rewritten in place (checked, and cut to the new size); a new target is
//   created directly (never over a file that appeared meanwhile without m_bReplace), and removed
//   again when it fails.
// Every operation returns 0 or the errno of the step that failed; after a failure nothing of the
// output is left (except a partial rewrite in place).
#pragma once

#include "platform/FileSystem.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace veltrane {

struct OutputRules {
    bool m_bReplace = true;           // an existing target may be replaced
    bool m_bUnnamedTemporary = false; // write through an unnamed file where the system has them
    // Permission bits of a new target; none: those of a new file (0666 less the umask).
    std::optional<std::uint32_t> m_nModeOfNew;
    // Modification time the output takes (nanoseconds since 1970); none: the time it is written.
    std::optional<std::int64_t> m_nModifiedTime;
};

// The rules of a new result of the input sInput ("-" or a path): the ResultMode of the input's
// mode and, with bKeepModifiedTime, the input's modification time; neither for standard input
// or an input whose status cannot be had.
OutputRules RulesForResultOf(IFileSystem& files, const std::string& sInput, bool bReplace,
                             bool bUnnamedTemporary, bool bKeepModifiedTime);

class CAtomicOutputFile {
  public:
    explicit CAtomicOutputFile(IFileSystem& files) : m_files(files) {}
    ~CAtomicOutputFile(); // discards the output unless committed
    CAtomicOutputFile(const CAtomicOutputFile&) = delete;
    CAtomicOutputFile& operator=(const CAtomicOutputFile&) = delete;

    // Prepares the output of sDestination (relative to the file system's current directory).
    int Create(const std::string& sDestination, const OutputRules& rules);
    // Writes all bytes after those written so far.
    int Write(std::span<const std::uint8_t> bytes);
    // Makes the bytes durable and puts them in place under the target's name.
    int Commit();
    // Removes what was written; the target is left as it was.
    void Discard();

  private:
    enum class Way { None, Unnamed, Named, InPlace, Direct };

    int CreateTemporary();
    int CreateNamedTemporary();
    int Finish();
    int Publish();
    int LinkUnnamed();

    IFileSystem& m_files;
    OutputRules m_rules;
    std::string m_sTarget;
    std::string m_sTemp; // the named temporary file
    std::unique_ptr<IFile> m_pExisting;
    std::unique_ptr<IFile> m_pFile;
    Way m_way = Way::None;
    std::uint64_t m_nWritten = 0;
};

// Copies all of source, read from its start in blocks of 1000 bytes, to sDestination under the
// rules above; a source that ends early is an error (EIO), so a short copy is never put in place.
int CopyToOutput(IFileSystem& files, IFile& source, const std::string& sDestination,
                 const OutputRules& rules);

// Whether a file name is one of the temporary names that CAtomicOutputFile gives.
bool IsTemporaryOutputName(const std::string& sFileName);

} // namespace veltrane
