// SPDX-License-Identifier: BSD-3-Clause
// The application object: runs the main dialog modally, and the program ends with it.
#pragma once

#include "platform/qt/WinApp.h"

namespace veltrane {

class CConverterApp : public CWinApp {
  public:
    bool InitInstance() override;
};

} // namespace veltrane
