// Start to first paint: starts the program (from the build folder, with the shipped files
// beside it) a few times on the offscreen screen and times, from the start of the process,
// the first paint of its window and the moment its sound output is ready, as the program
// reports them when VORMINA_REPORT_START is set. The sound opens through the desktop's
// sound server when there is one; without one the program says so and works silently.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Times {
  double firstPaint = -1;
  double soundReady = -1;
};

Times StartOnce() {
  QProcess program;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("VORMINA_REPORT_START"), QStringLiteral("1"));
  if (!env.contains(QStringLiteral("QT_QPA_PLATFORM"))) {
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  }
  program.setProcessEnvironment(env);
  program.setProcessChannelMode(QProcess::SeparateChannels);
  program.setReadChannel(QProcess::StandardError);
  Times t;
  QElapsedTimer clock;
  clock.start();
  program.start(QStringLiteral(VORMINA_BINARY_DIR "/vormina"), {});
  QByteArray seen;
  while (clock.elapsed() < 15000 && (t.firstPaint < 0 || t.soundReady < 0)) {
    if (!program.waitForReadyRead(100)) {
      if (program.state() == QProcess::NotRunning) break;
      continue;
    }
    seen += program.readAllStandardError();
    const double now = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (t.firstPaint < 0 && seen.contains("VORMINA: first paint")) t.firstPaint = now;
    if (t.soundReady < 0 && seen.contains("VORMINA: sound ready")) t.soundReady = now;
  }
  program.kill();
  program.waitForFinished(3000);
  return t;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::vector<double> paint, sound;
  StartOnce();  // the first start also fills the page cache
  for (int i = 0; i < 5; ++i) {
    const Times t = StartOnce();
    if (t.firstPaint < 0) {
      std::printf("the program did not paint its window\n");
      return 1;
    }
    paint.push_back(t.firstPaint);
    if (t.soundReady >= 0) sound.push_back(t.soundReady);
  }
  std::printf("start to first paint: median %.0f ms, slowest %.0f ms (5 starts)\n", Median(paint),
              *std::max_element(paint.begin(), paint.end()));
  if (!sound.empty()) {
    std::printf("start to sound ready: median %.0f ms, slowest %.0f ms\n", Median(sound),
                *std::max_element(sound.begin(), sound.end()));
  }
  return 0;
}
