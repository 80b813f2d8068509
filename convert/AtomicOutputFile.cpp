// SPDX-License-Identifier: BSD-3-Clause
#include "convert/AtomicOutputFile.h"

#include "convert/StandardStreams.h"
#include "platform/PosixFileSystem.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <unistd.h>

namespace veltrane {

namespace {

constexpr std::size_t kCopyBlock = 1000;
constexpr const char* kPartialSuffix = ".~part";
// Names tried for a named temporary file before giving up: another user may take the next name
// of the sequence in a shared folder, but not a hundred of them between two attempts.
constexpr int kTemporaryNameTries = 100;

constexpr std::size_t kLongestName = 255; // bytes, as the common file systems allow
std::atomic<unsigned> g_nTemporaryCounter{0};

// A hidden name beside sTarget, unique for the process and the call, under which a temporary file
// waits for the rename that puts it in place: the target's name with the process and a count,
// or only those where that would pass the system's limit on a name, so that a name near the
// limit can still be written.
std::string TemporaryName(const std::string& sTarget) {
    const std::string sUnique = std::to_string(::getpid()) + "-" +
                                std::to_string(g_nTemporaryCounter.fetch_add(1)) + kPartialSuffix;
    const std::string sName = NameOf(sTarget);
    const bool bFits = sName.size() + sUnique.size() + 2 <= kLongestName;
    return WithTrailingSlash(FolderOf(sTarget)) + "." + (bFits ? sName + "." : "") + sUnique;
}

} // namespace

CAtomicOutputFile::~CAtomicOutputFile() {
    Discard();
}

int CAtomicOutputFile::Create(const std::string& sDestination, const OutputRules& rules) {
    Discard();
    m_rules = rules;
    m_nWritten = 0;
    if (const int nError = m_files.FollowLinks(sDestination, &m_sTarget); nError != 0) {
        return nError;
    }
    if (const int nError = m_files.OpenWrite(m_sTarget, &m_pExisting);
        nError != 0 && nError != ENOENT) {
        return nError;
    }
    if (m_pExisting && !m_rules.m_bReplace) {
        m_pExisting.reset();
        return EEXIST;
    }
    return CreateTemporary();
}

int CAtomicOutputFile::CreateTemporary() {
    if (m_rules.m_bUnnamedTemporary && m_files.CreateUnnamed(FolderOf(m_sTarget), &m_pFile) == 0) {
        m_way = Way::Unnamed;
        return 0;
    }
    if (CreateNamedTemporary() == 0) {
        m_way = Way::Named;
        return 0;
    }
    if (m_pExisting) {
        m_pFile = std::move(m_pExisting);
        m_way = Way::InPlace;
        return 0;
    }
    const int nError = m_files.CreateNew(m_sTarget, &m_pFile);
    m_way = nError == 0 ? Way::Direct : Way::None;
    return nError;
}

// A name that exists (a leftover, or one another user put there) is passed over, never reused.
int CAtomicOutputFile::CreateNamedTemporary() {
    int nError = EEXIST;
    for (int i = 0; i < kTemporaryNameTries && nError == EEXIST; ++i) {
        m_sTemp = TemporaryName(m_sTarget);
        nError = m_files.CreateNew(m_sTemp, &m_pFile);
    }
    if (nError != 0) {
        m_sTemp.clear();
    }
    return nError;
}

int CAtomicOutputFile::Write(std::span<const std::uint8_t> bytes) {
    if (!m_pFile) {
        return EBADF;
    }
    const int nError = m_pFile->Write(bytes.data(), bytes.size());
    m_nWritten += bytes.size();
    return nError;
}

int CAtomicOutputFile::Commit() {
    if (!m_pFile) {
        return EBADF;
    }
    int nError = Finish();
    if (nError == 0) {
        nError = Publish();
    }
    if (nError != 0) {
        Discard();
        return nError;
    }
    m_way = Way::None;
    m_pExisting.reset();
    return 0;
}

// The mode (the replaced file's, or that of a new one), the size of a rewrite, and the bytes
// made durable.
int CAtomicOutputFile::Finish() {
    std::uint32_t nMode = m_rules.m_nModeOfNew.value_or(0666 & ~ProcessUmask());
    if (const int nError = m_pExisting ? m_pExisting->Mode(&nMode) : 0; nError != 0) {
        return nError;
    }
    if (const int nError = m_pFile->SetMode(nMode); nError != 0) {
        return nError;
    }
    // Set last, once the bytes are all written: a later write would move the time again.
    if (m_rules.m_nModifiedTime) {
        if (const int nError = m_pFile->SetModifiedTime(*m_rules.m_nModifiedTime); nError != 0) {
            return nError;
        }
    }
    if (m_way == Way::InPlace) {
        if (const int nError = m_pFile->Truncate(m_nWritten); nError != 0) {
            return nError;
        }
    }
    if (const int nError = m_pFile->Sync(); nError != 0) {
        return nError;
    }
    // An unnamed file is linked through its descriptor, so it is closed once named.
    return m_way == Way::Unnamed ? 0 : m_pFile->Close();
}

int CAtomicOutputFile::Publish() {
    switch (m_way) {
    case Way::Unnamed:
        if (const int nError = LinkUnnamed(); nError != 0) {
            return nError;
        }
        m_pFile->Close(); // synced and named: a late close error loses nothing
        return 0;
    case Way::Named:
        return m_rules.m_bReplace ? m_files.Rename(m_sTemp, m_sTarget)
                                  : m_files.RenameNoReplace(m_sTemp, m_sTarget);
    default:
        return 0;
    }
}

int CAtomicOutputFile::LinkUnnamed() {
    const int nError = m_pFile->Link(m_sTarget);
    if (nError != EEXIST || !m_rules.m_bReplace) {
        return nError;
    }
    // A name cannot be replaced by a link: the file is linked beside it and renamed over it.
    m_sTemp = TemporaryName(m_sTarget);
    if (const int nLinkError = m_pFile->Link(m_sTemp); nLinkError != 0) {
        m_sTemp.clear();
        return nLinkError;
    }
    const int nRenameError = m_files.Rename(m_sTemp, m_sTarget);
    if (nRenameError != 0) {
        m_files.Delete(m_sTemp);
    }
    m_sTemp.clear();
    return nRenameError;
}

void CAtomicOutputFile::Discard() {
    if (m_pFile) {
        m_pFile->Close();
        m_pFile.reset();
    }
    if (m_way == Way::Named) {
        m_files.Delete(m_sTemp);
    } else if (m_way == Way::Direct) {
        m_files.Delete(m_sTarget);
    }
    m_pExisting.reset();
    m_sTemp.clear();
    m_way = Way::None;
}

int CopyToOutput(IFileSystem& files, IFile& source, const std::string& sDestination,
                 const OutputRules& rules) {
    CAtomicOutputFile output(files);
    if (const int nError = output.Create(sDestination, rules); nError != 0) {
        return nError;
    }
    std::uint64_t nSize = 0;
    if (const int nError = source.Size(&nSize); nError != 0) {
        return nError;
    }
    std::uint8_t anBlock[kCopyBlock];
    for (std::uint64_t nDone = 0; nDone < nSize;) {
        const auto nWant =
            static_cast<std::size_t>(std::min<std::uint64_t>(kCopyBlock, nSize - nDone));
        std::size_t nRead = 0;
        if (const int nError = source.Read(anBlock, nWant, &nRead); nError != 0) {
            return nError;
        }
        if (nRead != nWant) {
            return EIO;
        }
        if (const int nError = output.Write({anBlock, nRead}); nError != 0) {
            return nError;
        }
        nDone += nRead;
    }
    return output.Commit();
}

OutputRules RulesForResultOf(IFileSystem& files, const std::string& sInput, bool bReplace,
                             bool bUnnamedTemporary, bool bKeepModifiedTime) {
    OutputRules rules{bReplace, bUnnamedTemporary, std::nullopt, std::nullopt};
    FileStatus status;
    if (IsStreamInput(sInput) || files.Status(sInput, &status) != 0) {
        return rules;
    }
    rules.m_nModeOfNew = ResultMode(status.m_nMode, ProcessUmask());
    if (bKeepModifiedTime) {
        rules.m_nModifiedTime = status.m_nModifiedTime;
    }
    return rules;
}

bool IsTemporaryOutputName(const std::string& sFileName) {
    return sFileName.ends_with(kPartialSuffix);
}

} // namespace veltrane
