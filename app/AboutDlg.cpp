// SPDX-License-Identifier: BSD-3-Clause
#include "app/AboutDlg.h"

#include "app/Resources.h"

namespace veltrane {

CAboutDlg::CAboutDlg(QWidget* pOwner) : CDialog(AboutDialogTemplate(), pOwner) {}

} // namespace veltrane
