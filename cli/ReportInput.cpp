// SPDX-License-Identifier: BSD-3-Clause
#include "cli/ReportInput.h"

#include "convert/StandardStreams.h"
#include "convert/StreamSource.h"
#include "convert/StreamSpool.h"
#include "platform/Environment.h"

namespace veltrane {

std::string OpenReportInput(const std::filesystem::path& input, CFileByteSource& source) {
    const std::optional<int> nFd = StreamDescriptor(input);
    if (!nFd) {
        return source.Open(HostFileSystem(), input.string()) ? std::string()
                                                             : SystemErrorText(source.Error());
    }
    CStreamByteSource stream(*nFd);
    SpooledStream spool =
        SpoolStream(HostFileSystem(), TemporaryFolders(CPosixEnvironment()), stream);
    if (!spool.m_pFile) {
        return spool.m_strMessage;
    }
    source.Adopt(std::move(spool.m_pFile));
    return {};
}

} // namespace veltrane
