// SPDX-License-Identifier: BSD-3-Clause
#include "app/Layout.h"
#include "app/CommandLine.h"
#include "tests/support/ScriptedPlatform.h"
#include "platform/qt/Dialog.h"

#include <gtest/gtest.h>

namespace veltrane {
namespace {

TEST(LayoutButtons, TheFiveRectanglesOfA483By328Window) {
    const ButtonLayout layout = LayoutButtons(483, 328);
    EXPECT_EQ(layout.m_compress, (ControlRect{71, 149, 152, 174}));
    EXPECT_EQ(layout.m_stop, (ControlRect{214, 149, 295, 174}));
    EXPECT_EQ(layout.m_exit, (ControlRect{355, 149, 436, 174}));
    EXPECT_EQ(layout.m_save, (ControlRect{80, 192, 176, 208}));
    EXPECT_EQ(layout.m_saveAs, (ControlRect{192, 192, 288, 208}));
}

// The gap between the radio buttons stays 16 pixels at any size; the rest scales.
TEST(LayoutButtons, TheRadioGapIsFixedAndTheProductsAreTruncated) {
    const ButtonLayout layout = LayoutButtons(966, 656);
    EXPECT_EQ(layout.m_saveAs.m_nLeft - layout.m_save.m_nRight, 16);
    EXPECT_EQ(layout.m_compress, (ControlRect{142, 298, 305, 348}));
    // 34 × 0.7352941176470588 is 24.999999999999996 in doubles (25/34 of 34 would be 25): the
    // stored constant's product is truncated.
    EXPECT_EQ(LayoutButtons(34, 100).m_exit.m_nLeft, 24);
}

TEST(MinimizedIconPosition, CentredRoundingHalfAPixelUp) {
    EXPECT_EQ(MinimizedIconPosition(36, 36, 32, 32), (IconPoint{2, 2}));
    EXPECT_EQ(MinimizedIconPosition(37, 35, 32, 32), (IconPoint{3, 2}));
    EXPECT_EQ(MinimizedIconPosition(32, 32, 32, 32), (IconPoint{0, 0}));
}

// With the base units of an 8-point "MS Sans Serif" (6 × 13), template 102 is 480 × 325
// pixels: the client area behind the 483 × 328 of the layout's example.
TEST(MapDialogRect, QuarterAndEighthOfTheBaseUnitsRoundedPerEdge) {
    const DialogBaseUnits units{6, 13};
    EXPECT_EQ(MapDialogRect(QRect(0, 0, 320, 200), units), QRect(0, 0, 480, 325));
    // 47 × 6 / 4 = 70.5 and 293 × 6 / 4 = 439.5 both round up; the width follows the edges.
    EXPECT_EQ(MapDialogRect(QRect(47, 168, 246, 8), units), QRect(71, 273, 369, 13));
}

TEST(CommandLine, FilesAreTheArgumentsThatAreNoOptions) {
    EXPECT_EQ(FileArguments({"veltrane", "--qt-dialogs", "a.wav", "/x/b.wav"}),
              (QStringList{"a.wav", "/x/b.wav"}));
    EXPECT_EQ(FileArguments({"veltrane", "--", "--odd.wav"}), (QStringList{"--odd.wav"}));
    EXPECT_TRUE(FileArguments({"veltrane"}).isEmpty());
}

TEST(CommandLine, ADisplayIsNamedByX11WaylandOrAChosenQtPlatform) {
    CScriptedEnvironment environment;
    EXPECT_FALSE(DisplayNamed(environment));
    environment.Set("DISPLAY", "");
    EXPECT_FALSE(DisplayNamed(environment));
    for (const char* pszName : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        CScriptedEnvironment named;
        named.Set(pszName, pszName == std::string("DISPLAY") ? ":0" : "x");
        EXPECT_TRUE(DisplayNamed(named)) << pszName;
    }
}

TEST(CommandLine, QtDialogsByFlagOrVariable) {
    CScriptedEnvironment environment;
    EXPECT_FALSE(WantsQtDialogs({"veltrane"}, environment));
    EXPECT_TRUE(WantsQtDialogs({"veltrane", "--qt-dialogs"}, environment));
    environment.Set("VELTRANE_QT_DIALOGS", "0");
    EXPECT_FALSE(WantsQtDialogs({"veltrane"}, environment));
    environment.Set("VELTRANE_QT_DIALOGS", "1");
    EXPECT_TRUE(WantsQtDialogs({"veltrane"}, environment));
}

} // namespace
} // namespace veltrane
