// The screen as the window layout sees it: its size in twips, read through one function so
// that tests can give the layout a screen of their choosing.
#pragma once

#include <QSize>
#include <optional>

class QWidget;

namespace screen {

// One pixel is 15 twips (a screen of 96 dots per inch).
inline constexpr int kTwipsPerPixel = 15;

// Size of the primary screen in twips, or the size given to SetScreenSizeForTests.
QSize ScreenSizeTwips();
void SetScreenSizeForTests(std::optional<QSize> twips);

}  // namespace screen

namespace kihon {

// Places window centred across the screen and a little above the middle vertically.
void CentreWindow(QWidget& window);

}  // namespace kihon
