// SPDX-License-Identifier: BSD-3-Clause
// The services the dialog's logic runs on, handed to it as one bundle of references.
#pragma once

#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/MessageLoop.h"
#include "platform/UserInterface.h"

namespace veltrane {

struct Platform {
    IFileSystem& m_files;
    IEnvironment& m_environment;
    IUserInterface& m_ui;
    IMessageLoop& m_loop;
};

} // namespace veltrane
