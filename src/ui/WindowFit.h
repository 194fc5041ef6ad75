// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>

class QScrollArea;
class QWidget;

namespace vko {

// Gives window the size wanted (by default the size its layout asks for), cut to what the
// screen it opens on has room for (its frame included), so that a large font or scale never
// puts its buttons off screen.
void FitToScreen(QWidget* window, QSize wanted = {});

// A frameless area around content that asks for room to show all of it at widthInCharacters
// (wrapped texts included), scrolls it up and down when the window is shorter, and widens it
// with the window.
[[nodiscard]] QScrollArea* VerticalScroller(QWidget* content, int widthInCharacters);

}  // namespace vko
