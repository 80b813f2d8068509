// SPDX-License-Identifier: BSD-3-Clause
#include "tests/support/FaultyFileSystem.h"

#include <algorithm>
#include <fnmatch.h>
#include <functional>

namespace veltrane {

namespace {

bool Matches(const FileFault& fault, const std::string& sAbsolute) {
    return ::fnmatch(fault.m_sPattern.c_str(), sAbsolute.c_str(), 0) == 0;
}

// An open file whose reads, writes, sync or close fail as the faults of its path say.
// Its Link goes through linker, which applies the file system's faults and log.
class CFaultyFile : public IFile {
  public:
    using LinkFn = std::function<int(IFile& inner, const std::string& sPath)>;
    using BlockFn = std::function<void()>;

    CFaultyFile(std::unique_ptr<IFile> pInner, std::vector<FileFault> faults, LinkFn linker,
                BlockFn block)
        : m_pInner(std::move(pInner)), m_faults(std::move(faults)), m_linker(std::move(linker)),
          m_block(std::move(block)) {}

    int Link(const std::string& sPath) override { return m_linker(*m_pInner, sPath); }

    int Read(void* pBuffer, std::size_t nBytes, std::size_t* pnRead) override {
        const std::size_t nAllowed = Allowed(FileOp::Read, m_nRead, nBytes);
        const int nInner = m_pInner->Read(pBuffer, nAllowed, pnRead);
        m_nRead += *pnRead;
        if (nInner != 0 || nAllowed == nBytes || *pnRead < nAllowed) {
            return nInner;
        }
        if (Fault(FileOp::Read)->m_nError == kBlockUntilReleased) {
            m_block();
            return EIO;
        }
        return Fault(FileOp::Read)->m_nError;
    }

    int Write(const void* pBuffer, std::size_t nBytes) override {
        const std::size_t nAllowed = Allowed(FileOp::Write, m_nWritten, nBytes);
        const int nInner = m_pInner->Write(pBuffer, nAllowed);
        if (nInner != 0) {
            return nInner;
        }
        m_nWritten += nAllowed;
        return nAllowed == nBytes ? 0 : Fault(FileOp::Write)->m_nError;
    }

    int Seek(std::uint64_t nOffset) override { return m_pInner->Seek(nOffset); }
    int Size(std::uint64_t* pnSize) override { return m_pInner->Size(pnSize); }
    int Truncate(std::uint64_t nSize) override { return m_pInner->Truncate(nSize); }
    int Mode(std::uint32_t* pnMode) override { return m_pInner->Mode(pnMode); }
    int SetMode(std::uint32_t nMode) override { return m_pInner->SetMode(nMode); }
    int SetModifiedTime(std::int64_t nNanoseconds) override {
        return m_pInner->SetModifiedTime(nNanoseconds);
    }

    int Sync() override {
        const FileFault* pFault = Fault(FileOp::Sync);
        return pFault != nullptr ? pFault->m_nError : m_pInner->Sync();
    }

    int Close() override {
        const int nInner = m_pInner->Close();
        const FileFault* pFault = Fault(FileOp::Close);
        return pFault != nullptr ? pFault->m_nError : nInner;
    }

  private:
    const FileFault* Fault(FileOp op) const {
        const auto it = std::find_if(m_faults.begin(), m_faults.end(),
                                     [op](const FileFault& fault) { return fault.m_op == op; });
        return it == m_faults.end() ? nullptr : &*it;
    }

    // How many of nBytes may pass when nDone bytes already have.
    std::size_t Allowed(FileOp op, std::uint64_t nDone, std::size_t nBytes) const {
        const FileFault* pFault = Fault(op);
        if (pFault == nullptr) {
            return nBytes;
        }
        const std::uint64_t nLeft =
            pFault->m_nAfterBytes > nDone ? pFault->m_nAfterBytes - nDone : 0;
        return static_cast<std::size_t>(std::min<std::uint64_t>(nLeft, nBytes));
    }

    std::unique_ptr<IFile> m_pInner;
    std::vector<FileFault> m_faults;
    LinkFn m_linker;
    BlockFn m_block;
    std::uint64_t m_nRead = 0;
    std::uint64_t m_nWritten = 0;
};

} // namespace

void CFaultyFileSystem::InjectFault(FileFault fault) {
    std::lock_guard lock(m_mutex);
    m_faults.push_back(std::move(fault));
}

void CFaultyFileSystem::ClearFaults() {
    std::lock_guard lock(m_mutex);
    m_faults.clear();
}

void CFaultyFileSystem::ReleaseBlocked() {
    std::lock_guard lock(m_mutex);
    m_bReleased = true;
    m_released.notify_all();
}

bool CFaultyFileSystem::Blocked() const {
    std::lock_guard lock(m_mutex);
    return m_nBlocked > 0;
}

void CFaultyFileSystem::Block() {
    std::unique_lock lock(m_mutex);
    ++m_nBlocked;
    m_released.wait(lock, [this] { return m_bReleased; });
    --m_nBlocked;
}

std::vector<std::string> CFaultyFileSystem::Operations() const {
    std::lock_guard lock(m_mutex);
    return m_operations;
}

int CFaultyFileSystem::InjectedError(FileOp op, const std::string& sAbsolute) const {
    std::lock_guard lock(m_mutex);
    for (const FileFault& fault : m_faults) {
        if (fault.m_op == op && Matches(fault, sAbsolute)) {
            return fault.m_nError;
        }
    }
    return 0;
}

std::vector<FileFault> CFaultyFileSystem::FaultsOf(const std::string& sAbsolute) const {
    std::lock_guard lock(m_mutex);
    std::vector<FileFault> faults;
    std::copy_if(m_faults.begin(), m_faults.end(), std::back_inserter(faults),
                 [&](const FileFault& fault) { return Matches(fault, sAbsolute); });
    return faults;
}

int CFaultyFileSystem::Record(std::string sCall, int nError) {
    if (nError != 0) {
        std::string sText = SystemErrorText(nError);
        sText.pop_back();
        sCall += " -> " + sText;
    }
    std::lock_guard lock(m_mutex);
    m_operations.push_back(std::move(sCall));
    return nError;
}

std::unique_ptr<IFile> CFaultyFileSystem::Wrap(std::unique_ptr<IFile> pInner,
                                               const std::string& sMatched) {
    auto linker = [this](IFile& inner, const std::string& sPath) {
        int nError = InjectedError(FileOp::Link, sPath);
        if (nError == 0) {
            nError = inner.Link(sPath);
        }
        return Record("link " + sPath, nError);
    };
    return std::make_unique<CFaultyFile>(std::move(pInner), FaultsOf(sMatched), linker,
                                         [this] { Block(); });
}

int CFaultyFileSystem::Open(FileOp op, const std::string& sPath, std::unique_ptr<IFile>* ppFile) {
    const std::string sAbsolute = AbsolutePath(CurrentDirectory(), sPath);
    const char* pszVerb = op == FileOp::Open ? "open " : "open-write ";
    return OpenThrough(op, sAbsolute, pszVerb + sAbsolute, ppFile,
                       [&](std::unique_ptr<IFile>* ppInner) {
                           return op == FileOp::Open ? m_inner.OpenRead(sAbsolute, ppInner)
                                                     : m_inner.OpenWrite(sAbsolute, ppInner);
                       });
}

int CFaultyFileSystem::OpenThrough(FileOp op, const std::string& sMatched, const std::string& sCall,
                                   std::unique_ptr<IFile>* ppFile, const InnerOpen& inner) {
    int nError = InjectedError(op, sMatched);
    std::unique_ptr<IFile> pInner;
    if (nError == 0) {
        nError = inner(&pInner);
    }
    if (nError == 0) {
        *ppFile = Wrap(std::move(pInner), sMatched);
    }
    return Record(sCall, nError);
}

int CFaultyFileSystem::CreateNew(const std::string& sPath, std::unique_ptr<IFile>* ppFile) {
    const std::string sAbsolute = AbsolutePath(CurrentDirectory(), sPath);
    return OpenThrough(
        FileOp::Create, sAbsolute, "create-new " + sAbsolute, ppFile,
        [&](std::unique_ptr<IFile>* ppInner) { return m_inner.CreateNew(sAbsolute, ppInner); });
}

int CFaultyFileSystem::CreateUnnamed(const std::string& sFolder, std::unique_ptr<IFile>* ppFile) {
    const std::string sMatched = WithTrailingSlash(AbsolutePath(CurrentDirectory(), sFolder));
    return OpenThrough(
        FileOp::CreateUnnamed, sMatched, "create-unnamed " + sMatched, ppFile,
        [&](std::unique_ptr<IFile>* ppInner) { return m_inner.CreateUnnamed(sMatched, ppInner); });
}

int CFaultyFileSystem::OpenRead(const std::string& sPath, std::unique_ptr<IFile>* ppFile) {
    return Open(FileOp::Open, sPath, ppFile);
}

int CFaultyFileSystem::OpenWrite(const std::string& sPath, std::unique_ptr<IFile>* ppFile) {
    return Open(FileOp::OpenWrite, sPath, ppFile);
}

int CFaultyFileSystem::MakePrivateFolder(const std::string& sParent, std::string* psFolder) {
    const std::string sAbsolute = WithTrailingSlash(AbsolutePath(CurrentDirectory(), sParent));
    int nError = InjectedError(FileOp::Create, sAbsolute + ".veltrane-XXXXXX");
    if (nError == 0) {
        nError = m_inner.MakePrivateFolder(sAbsolute, psFolder);
    }
    return Record("make-folder " + sAbsolute, nError);
}

int CFaultyFileSystem::DeleteFolder(const std::string& sFolder) {
    const std::string sAbsolute = AbsolutePath(CurrentDirectory(), sFolder);
    int nError = InjectedError(FileOp::Delete, sAbsolute);
    if (nError == 0) {
        nError = m_inner.DeleteFolder(sAbsolute);
    }
    return Record("delete-folder " + sAbsolute, nError);
}

int CFaultyFileSystem::Delete(const std::string& sPath) {
    const std::string sAbsolute = AbsolutePath(CurrentDirectory(), sPath);
    int nError = InjectedError(FileOp::Delete, sAbsolute);
    if (nError == 0) {
        nError = m_inner.Delete(sAbsolute);
    }
    return Record("delete " + sAbsolute, nError);
}

int CFaultyFileSystem::Rename(const std::string& sFrom, const std::string& sTo) {
    return RenameAs("rename ", true, sFrom, sTo);
}

int CFaultyFileSystem::RenameNoReplace(const std::string& sFrom, const std::string& sTo) {
    return RenameAs("rename-noreplace ", false, sFrom, sTo);
}

int CFaultyFileSystem::RenameAs(const char* pszVerb, bool bReplace, const std::string& sFrom,
                                const std::string& sTo) {
    const std::string sCurrent = CurrentDirectory();
    const std::string sAbsFrom = AbsolutePath(sCurrent, sFrom);
    const std::string sAbsTo = AbsolutePath(sCurrent, sTo);
    int nError = InjectedError(FileOp::Rename, sAbsFrom);
    if (nError == 0) {
        nError = InjectedError(FileOp::Rename, sAbsTo);
    }
    if (nError == 0) {
        nError =
            bReplace ? m_inner.Rename(sAbsFrom, sAbsTo) : m_inner.RenameNoReplace(sAbsFrom, sAbsTo);
    }
    return Record(pszVerb + sAbsFrom + " " + sAbsTo, nError);
}

} // namespace veltrane
