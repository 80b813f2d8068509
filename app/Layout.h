// SPDX-License-Identifier: BSD-3-Clause
// Where the main dialog puts its buttons, from the size of its window, and where it draws its
// icon while minimized. Pure functions of the numbers they are given.
#pragma once

namespace veltrane {

// Edges in pixels of the dialog's client area; right and bottom are exclusive.
struct ControlRect {
    int m_nLeft;
    int m_nTop;
    int m_nRight;
    int m_nBottom;
    bool operator==(const ControlRect&) const = default;
};

struct ButtonLayout {
    ControlRect m_compress;
    ControlRect m_stop;
    ControlRect m_exit;
    ControlRect m_save;
    ControlRect m_saveAs;
};

// nW and nH: the right and bottom edges of the dialog's window in its client coordinates.
ButtonLayout LayoutButtons(int nW, int nH);

struct IconPoint {
    int m_nX;
    int m_nY;
    bool operator==(const IconPoint&) const = default;
};

// The icon centred in the client area, rounding half a pixel up.
IconPoint MinimizedIconPosition(int nClientWidth, int nClientHeight, int nIconWidth,
                                int nIconHeight);

} // namespace veltrane
