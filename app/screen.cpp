#include "app/screen.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace screen {
namespace {
std::optional<QSize> g_testSize;
}

QSize ScreenSizeTwips() {
  if (g_testSize) return *g_testSize;
  const QScreen* primary = QGuiApplication::primaryScreen();
  const QSize pixels = primary ? primary->size() : QSize(800, 600);
  return pixels * kTwipsPerPixel;
}

void SetScreenSizeForTests(std::optional<QSize> twips) {
  g_testSize = twips;
}

}  // namespace screen

namespace kihon {

void CentreWindow(QWidget& window) {
  const QSize screenPixels = screen::ScreenSizeTwips() / screen::kTwipsPerPixel;
  const QSize size = window.frameGeometry().size();
  const int left = (screenPixels.width() - size.width()) / 2;
  const int top = static_cast<int>((screenPixels.height() - size.height()) / 2.5);
  window.move(left, top);
}

}  // namespace kihon
