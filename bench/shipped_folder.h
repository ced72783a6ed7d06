// A folder holding copies of the shipped settings and material files, on a 1920 x 1080
// screen, for benchmarks that build the main window.
#pragma once

#include <QFile>
#include <QTemporaryDir>

#include "app/screen.h"
#include "core/settings.h"

struct ShippedFolder {
  ShippedFolder() {
    for (const char* name :
         {"scale.txt", "code.txt", "ptn.txt", "ric.txt", "AUX1.txt", "AUX2.txt", "cfg.inf"}) {
      QFile::copy(QStringLiteral(VORMINA_SOURCE_DIR "/data/") + name, dir.filePath(name));
    }
    screen::SetScreenSizeForTests(QSize(1920 * 15, 1080 * 15));
    settings::LoadSettings(cfg, dir.filePath("cfg.inf"), {});
  }
  QString path() const { return dir.path(); }

  QTemporaryDir dir;
  // The shipped settings, loaded.
  settings::CfgRecord cfg;
};
