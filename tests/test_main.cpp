// Test entry point of every layer's test executable. The layers below drawing run under a
// QCoreApplication, so that they need (and link) nothing of Qt Gui; the drawing layers under
// a QGuiApplication with the program's font substitutions; the window layer under a
// QApplication (headless under QT_QPA_PLATFORM=offscreen) with Qt's texts in Japanese.
#if VORMINA_TEST_LEVEL >= 2
#include <QApplication>

#include "core/translations.h"
#endif
#if VORMINA_TEST_LEVEL >= 1
#include <QGuiApplication>

#include "draw/surface.h"
#endif
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
#if VORMINA_TEST_LEVEL >= 1
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
#if VORMINA_TEST_LEVEL >= 2
  QApplication app(argc, argv);
  // As the program does on a Japanese system: Qt's own texts in Japanese. A test of the
  // English window installs English over it while it runs.
  const translations::Installed japanese(language::Language::Japanese);
#elif VORMINA_TEST_LEVEL == 1
  QGuiApplication app(argc, argv);
#else
  QCoreApplication app(argc, argv);
#endif
#if VORMINA_TEST_LEVEL >= 1
  draw::InstallFontSubstitutions();
#endif
#if VORMINA_TEST_LEVEL >= 2
  // The controls' font as the program sets it, so that what fits in a test fits on the screen.
  QApplication::setFont(QFont(QStringLiteral("ＭＳ ゴシック"), 10));
#endif
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
