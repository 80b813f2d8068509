// SPDX-License-Identifier: BSD-3-Clause
#include "app/Resources.h"

// The pictures are compiled into the program (veltrane.qrc); a static library's resources are
// registered by hand.
static void InitVeltraneResources() {
    Q_INIT_RESOURCE(veltrane);
}

namespace veltrane {

namespace {

constexpr const char* kDialogFont = "MS Sans Serif";
constexpr int kDialogPointSize = 8;
constexpr const char* kIcon32 = ":/veltrane/veltrane-32.png";
constexpr const char* kIcon16 = ":/veltrane/veltrane-16.png";

} // namespace

const DialogTemplate& MainDialogTemplate() {
    static const DialogTemplate kTemplate{
        "Veltrane",
        320,
        200,
        kDialogFont,
        kDialogPointSize,
        {
            {kIdFileBarFrame, ControlKind::BlackFrame, "", {47, 168, 246, 8}, 0},
            {kIdTotalBarFrame, ControlKind::BlackFrame, "", {47, 137, 246, 8}, 0},
            {kIdFileLabel,
             ControlKind::Text,
             "",
             {47, 177, 246, 10},
             kControlVisible | kControlClientEdge},
            {-1,
             ControlKind::Text,
             "Note! The audio file format must be the following: WAV PCM (RAW), 16kHz, 16bits, "
             "mono.",
             {71, 30, 161, 22},
             kControlVisible | kControlCentred},
            {-1, ControlKind::Text, "Total:", {19, 137, 22, 8}, kControlVisible | kControlCentred},
            {-1, ControlKind::Text, "File:", {25, 172, 13, 8}, kControlVisible},
            {-1, ControlKind::GroupBox, "", {47, 110, 206, 20}, kControlVisible},
        }};
    return kTemplate;
}

const DialogTemplate& AboutDialogTemplate() {
    ProgramIcon(); // the template's icon is a resource
    static const DialogTemplate kTemplate{
        "About Veltrane",
        235,
        55,
        kDialogFont,
        kDialogPointSize,
        {
            {-1, ControlKind::Icon, kIcon32, {11, 17, 20, 20}, kControlVisible},
            {-1, ControlKind::Text, "Veltrane Version 1.0", {40, 10, 119, 8}, kControlVisible},
            {-1,
             ControlKind::Text,
             "Speech to .wrm at 16 kbit/s",
             {40, 25, 119, 8},
             kControlVisible},
            {IDOK, ControlKind::DefPushButton, "OK", {178, 7, 50, 14}, kControlVisible},
        }};
    return kTemplate;
}

QString LoadString(unsigned nId) {
    return nId == IDS_ABOUTBOX ? QStringLiteral("&About Veltrane...") : QString();
}

QIcon ProgramIcon() {
    static const bool bRegistered = (InitVeltraneResources(), true);
    (void)bRegistered;
    QIcon icon;
    icon.addFile(QString::fromLatin1(kIcon32), QSize(32, 32));
    icon.addFile(QString::fromLatin1(kIcon16), QSize(16, 16));
    return icon;
}

} // namespace veltrane
