// A private PulseAudio server with a null sink named "null" (whose monitor is the source
// "null.monitor"), for tests that play or record through a real sound server as another
// program would. Its runtime folder is the test's own and is the process's while the server
// lives, so that neither the program nor the tools it runs meet a server of the user's.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>

class PulseServer {
 public:
  PulseServer() {
    const QString pulse = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (pulse.isEmpty() || !Has(QStringLiteral("pactl"))) return;
    switched_ = true;
    runtimeBefore_ = qgetenv("XDG_RUNTIME_DIR");
    serverBefore_ = qgetenv("PULSE_SERVER");
    qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
    qunsetenv("PULSE_SERVER");
    server_.setProcessChannelMode(QProcess::MergedChannels);
    server_.start(pulse,
                  {"--daemonize=no", "-n", "--exit-idle-time=-1", "--disallow-exit",
                   "--load=module-null-sink sink_name=null", "--load=module-native-protocol-unix"});
    if (!server_.waitForStarted(5000)) return;
    for (int i = 0; i < 100 && !running_; ++i) {
      running_ = Run(QStringLiteral("pactl"), {QStringLiteral("info")}) == 0;
      if (!running_) QThread::msleep(50);
    }
  }
  ~PulseServer() {
    if (server_.state() != QProcess::NotRunning) {
      Signal(SIGCONT);
      server_.terminate();
      if (!server_.waitForFinished(5000)) Kill();
    }
    if (!switched_) return;
    Restore("XDG_RUNTIME_DIR", runtimeBefore_);
    Restore("PULSE_SERVER", serverBefore_);
  }
  PulseServer(const PulseServer&) = delete;
  PulseServer& operator=(const PulseServer&) = delete;

  static bool Has(const QString& tool) { return !QStandardPaths::findExecutable(tool).isEmpty(); }

  bool running() const { return running_; }
  // The runtime folder the server's socket lies in.
  QString runtimePath() const { return runtime_.path(); }
  // Ends the server at once, as when it crashes.
  void Kill() {
    if (server_.state() == QProcess::NotRunning) return;
    server_.kill();
    server_.waitForFinished(5000);
  }
  // Sends the server a signal: SIGSTOP leaves it connected but answering nothing, as a hung
  // server; SIGCONT lets it go on.
  void Signal(int signal) {
    if (server_.state() != QProcess::NotRunning) {
      ::kill(static_cast<pid_t>(server_.processId()), signal);
    }
  }
  // Runs one of PulseAudio's tools (pactl, paplay) on this server: its exit code, or -1
  // when it did not end within ms; what it wrote in *output.
  int Run(const QString& tool, const QStringList& arguments, int ms = 10000,
          QByteArray* output = nullptr) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStandardPaths::findExecutable(tool), arguments);
    if (!process.waitForFinished(ms)) {
      process.kill();
      process.waitForFinished(1000);
      return -1;
    }
    if (output) *output = process.readAll();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }

 private:
  static void Restore(const char* name, const QByteArray& value) {
    if (value.isNull()) {
      qunsetenv(name);
    } else {
      qputenv(name, value);
    }
  }

  QTemporaryDir runtime_;
  bool switched_ = false;
  QByteArray runtimeBefore_;
  QByteArray serverBefore_;
  QProcess server_;
  bool running_ = false;
};
