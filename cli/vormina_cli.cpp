// vormina-cli: the program's work without a window.
//
//   vormina-cli settings [--dir DIR]   prints the settings record after loading it
#include "app/appdir.h"
#include "app/settings.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

namespace {

int Usage() {
  QTextStream(stderr) << "usage: vormina-cli settings [--dir DIR]\n";
  return 2;
}

// The value of option name in args, or fallback.
QString Option(const QStringList& args, const QString& name, const QString& fallback) {
  const qsizetype at = args.indexOf(name);
  return at >= 0 && at + 1 < args.size() ? args[at + 1] : fallback;
}

int PrintSettings(const QStringList& args) {
  if (args.contains(QStringLiteral("--dir")) &&
      Option(args, QStringLiteral("--dir"), QString()).isEmpty()) {
    return Usage();
  }
  const QString dir = Option(args, QStringLiteral("--dir"), appdir::ApplicationDirectory());
  bool failed = false;
  settings::CfgRecord record;
  settings::LoadSettings(record, appdir::PathOf(dir, appdir::kSettingsFileName),
                         [&failed](const QString& message) {
                           QTextStream(stderr) << message << '\n';
                           failed = true;
                         });
  QTextStream(stdout) << settings::ToJson(record) << '\n';
  return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("vormina"));
  QCoreApplication::setOrganizationName(QStringLiteral("vormina"));
  const QStringList args = QCoreApplication::arguments().mid(1);
  if (args.isEmpty()) return Usage();
  if (args[0] == QStringLiteral("settings")) return PrintSettings(args.mid(1));
  return Usage();
}
