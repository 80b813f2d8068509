// SPDX-License-Identifier: BSD-3-Clause
#include "platform/UserInterface.h"

#include "platform/FileSystem.h"

namespace veltrane {

namespace {

// One file: the name after the last "/", the extension after the name's last dot (0 when it
// has none).
OpenDialogAnswer SingleAnswer(const std::string& sPath) {
    OpenDialogAnswer answer;
    answer.m_sBuffer = sPath + '\0';
    answer.m_nFileOffset = sPath.rfind('/') + 1;
    const std::size_t nDot = sPath.rfind('.');
    answer.m_nExtensionOffset =
        nDot != std::string::npos && nDot >= answer.m_nFileOffset ? nDot + 1 : 0;
    return answer;
}

OpenDialogAnswer MultipleAnswer(const std::vector<std::string>& paths) {
    OpenDialogAnswer answer;
    answer.m_sBuffer = FolderOf(paths.front()) + '\0';
    answer.m_nFileOffset = answer.m_sBuffer.size();
    for (const std::string& sPath : paths) {
        answer.m_sBuffer += NameOf(sPath) + '\0';
    }
    answer.m_sBuffer += '\0';
    return answer;
}

} // namespace

OpenDialogAnswer AnswerOfFiles(const std::vector<std::string>& paths) {
    return paths.size() == 1 ? SingleAnswer(paths.front()) : MultipleAnswer(paths);
}

} // namespace veltrane
