// SPDX-License-Identifier: BSD-3-Clause
#include "app/Layout.h"

namespace veltrane {

namespace {

// Fractions of the window's width or height, stored as these doubles.
constexpr double kButtonWidth = 0.1694915254237288;   // of W
constexpr double kButtonHeight = 0.07621951219512195; // of H
constexpr double kButtonTop = 0.45454545454545453;    // of H
constexpr double kCompressLeft = 0.14705882352941177; // of W
constexpr double kStopLeft = 0.4444444444444444;      // of W
constexpr double kExitLeft = 0.7352941176470588;      // of W
constexpr double kRadioWidth = 0.2;                   // of W
constexpr double kRadioHeight = 0.05;                 // of H
constexpr double kSaveLeft = 0.16666666666666666;     // of W
constexpr double kRadioTop = 0.5882352941176471;      // of H
constexpr int kRadioGap = 16;                         // pixels between the radio buttons

int Part(int nLength, double dFraction) {
    return static_cast<int>(static_cast<double>(nLength) * dFraction);
}

} // namespace

ButtonLayout LayoutButtons(int nW, int nH) {
    const int bw = Part(nW, kButtonWidth);
    const int bh = Part(nH, kButtonHeight);
    const int bt = Part(nH, kButtonTop);
    const int x1 = Part(nW, kCompressLeft);
    const int x2 = Part(nW, kStopLeft);
    const int x3 = Part(nW, kExitLeft);
    const int rw = Part(nW, kRadioWidth);
    const int rh = Part(nH, kRadioHeight);
    const int rx = Part(nW, kSaveLeft);
    const int rt = Part(nH, kRadioTop);
    return ButtonLayout{
        {x1, bt, x1 + bw, bt + bh},
        {x2, bt, x2 + bw, bt + bh},
        {x3, bt, x3 + bw, bt + bh},
        {rx, rt, rx + rw, rt + rh},
        {rx + rw + kRadioGap, rt, rx + 2 * rw + kRadioGap, rt + rh},
    };
}

IconPoint MinimizedIconPosition(int nClientWidth, int nClientHeight, int nIconWidth,
                                int nIconHeight) {
    return IconPoint{(nClientWidth - nIconWidth + 1) / 2, (nClientHeight - nIconHeight + 1) / 2};
}

} // namespace veltrane
