#include "platform/FileSystem.h"

#include <system_error>

namespace veltrane {

namespace {

constexpr const char* kMsgNotRegularFile =
    "It is not a regular file (a pipe, a device or a socket).\n";

} // namespace

std::string SystemErrorText(int nError) {
    if (nError == kErrorNotRegularFile) {
        return kMsgNotRegularFile;
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

} // namespace veltrane
