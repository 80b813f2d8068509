// SPDX-License-Identifier: BSD-3-Clause
#include "convert/FileByteSource.h"

#include "platform/PosixFileSystem.h"

namespace veltrane {

bool CFileByteSource::Open(IFileSystem& files, const std::string& sPath) {
    m_pFile.reset();
    m_nError = 0;
    return Remember(files.OpenRead(sPath, &m_pFile)) == 0;
}

void CFileByteSource::Adopt(std::unique_ptr<IFile> pFile) {
    m_pFile = std::move(pFile);
    m_nError = 0;
}

std::size_t CFileByteSource::ReadAt(std::uint64_t nOffset, void* pBuffer, std::size_t nBytes) {
    if (!m_pFile) {
        return 0;
    }
    std::size_t nRead = 0;
    int nError = m_pFile->Seek(nOffset);
    if (nError == 0) {
        nError = m_pFile->Read(pBuffer, nBytes, &nRead);
    }
    return Remember(nError) == 0 ? nRead : 0;
}

std::uint64_t CFileByteSource::Size() {
    std::uint64_t nSize = 0;
    return Remember(m_pFile->Size(&nSize)) == 0 ? nSize : 0;
}

int CFileByteSource::Remember(int nError) {
    if (nError != 0 && m_nError == 0) {
        m_nError = nError;
    }
    return nError;
}

IFileSystem& HostFileSystem() {
    static CPosixFileSystem files;
    return files;
}

} // namespace veltrane
