// SPDX-License-Identifier: BSD-3-Clause
// The about box: the program's icon, its version and one line about it, and "OK".
#pragma once

#include "platform/qt/Dialog.h"

namespace veltrane {

class CAboutDlg : public CDialog {
  public:
    explicit CAboutDlg(QWidget* pOwner = nullptr);
};

} // namespace veltrane
