// The program's resources: the two dialog templates, the string table, the icon and the version.
#pragma once

#include <veltrane/Version.h> // kVersion, the project's one version number

#include "platform/qt/Dialog.h"

#include <QIcon>
#include <QString>

namespace veltrane {

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_CONVERTER_DIALOG = 102;
inline constexpr unsigned IDS_ABOUTBOX = 101;
// The system-menu command of the about box; the ids up to IDM_ABOUTBOX + 15 open it too.
inline constexpr unsigned IDM_ABOUTBOX = 16;

// Controls of the main dialog's template.
inline constexpr int kIdFileBarFrame = 1007;
inline constexpr int kIdTotalBarFrame = 1014;
inline constexpr int kIdFileLabel = 1015;
// The child id of both progress bars.
inline constexpr int kIdProgressBar = 97;

const DialogTemplate& MainDialogTemplate();
const DialogTemplate& AboutDialogTemplate();
// The text of a string resource; empty when there is none.
QString LoadString(unsigned nId);
// Icon 128: its 32 × 32 and 16 × 16 pictures.
QIcon ProgramIcon();

} // namespace veltrane
