// Test entry point: a QApplication (headless under QT_QPA_PLATFORM=offscreen) for the
// tests that draw or build windows.
#include "app/translations.h"
#include "draw/surface.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  draw::InstallFontSubstitutions();
  // As the program does: Qt's own texts in Japanese.
  translations::InstallQtJapanese(app);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
