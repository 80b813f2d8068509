// SPDX-License-Identifier: BSD-3-Clause
// The program's resources: the two dialog templates, the string table, the icon and the version.
#pragma once

#include <veltrane/Version.h> // kVersion, the project's one version number

#include "platform/qt/Dialog.h"

#include <QIcon>
#include <QString>

namespace veltrane {

enum TemplateId : int { IDD_ABOUTBOX = 100, IDD_CONVERTER_DIALOG = 102 };
inline constexpr unsigned IDS_ABOUTBOX = 101;
// The system-menu command of the about box; the ids up to IDM_ABOUTBOX + 15 open it too.
inline constexpr unsigned IDM_ABOUTBOX = 16;

// Controls of the main dialog's template.
enum ControlId : int { kIdFileBarFrame = 1007, kIdTotalBarFrame = 1014, kIdFileLabel = 1015 };
// The child id of both progress bars.
inline constexpr int kIdProgressBar = 97;

const DialogTemplate& MainDialogTemplate();
const DialogTemplate& AboutDialogTemplate();
// The text of a string resource; empty when there is none.
QString LoadString(unsigned nId);
// Icon 128: its 32 × 32 and 16 × 16 pictures.
QIcon ProgramIcon();

} // namespace veltrane
