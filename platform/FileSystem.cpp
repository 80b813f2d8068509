// SPDX-License-Identifier: BSD-3-Clause
#include "platform/FileSystem.h"

#include <system_error>

namespace veltrane {

namespace {

constexpr const char* kMsgNotRegularFile =
    "It is not a regular file (a pipe, a device or a socket).\n";
constexpr const char* kMsgUnsafeLink =
    "It is a symbolic link in a shared folder, owned by another user; it is not followed.\n";

} // namespace

std::string SystemErrorText(int nError) {
    if (nError == kErrorNotRegularFile) {
        return kMsgNotRegularFile;
    }
    if (nError == kErrorUnsafeLink) {
        return kMsgUnsafeLink;
    }
    return std::system_category().message(nError) + "\n";
}

std::string AbsolutePath(const std::string& sCurrentDir, const std::string& sPath) {
    if (!sPath.empty() && sPath.front() == '/') {
        return sPath;
    }
    return WithTrailingSlash(sCurrentDir) + sPath;
}

std::string FolderOf(const std::string& sPath) {
    const std::size_t nSlash = sPath.rfind('/');
    if (nSlash == std::string::npos) {
        return "";
    }
    return nSlash == 0 ? "/" : sPath.substr(0, nSlash);
}

std::string NameOf(const std::string& sPath) {
    const std::size_t nSlash = sPath.rfind('/');
    return nSlash == std::string::npos ? sPath : sPath.substr(nSlash + 1);
}

std::string WithTrailingSlash(const std::string& sFolder) {
    if (!sFolder.empty() && sFolder.back() == '/') {
        return sFolder;
    }
    return sFolder + "/";
}

std::uint32_t ResultMode(std::uint32_t nInputMode, std::uint32_t nUmask) {
    return nInputMode & 0666 & ~(nUmask & 0022);
}

} // namespace veltrane
