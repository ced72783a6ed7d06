// A private JACK server with its dummy audio backend, for tests that carry real MIDI or
// audio through JACK as another program would. The server's name is the test's own, so it
// never meets a server of the user's; it is set as the default for the process while the
// server lives.
#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QThread>
#include <csignal>

class JackServer {
 public:
  JackServer() {
    name_ = QStringLiteral("vormina-test-%1").arg(QCoreApplication::applicationPid());
    qputenv("JACK_DEFAULT_SERVER", name_.toLocal8Bit());
    qputenv("JACK_NO_AUDIO_RESERVATION", "1");
    server_.setProgram(QStandardPaths::findExecutable(QStringLiteral("jackd")));
    // A long client timeout: on a loaded machine (the tests run side by side) the server
    // would otherwise throw out a client that answered a cycle late.
    server_.setArguments({QStringLiteral("--no-realtime"), QStringLiteral("-t"),
                          QStringLiteral("10000"), QStringLiteral("-n"), name_,
                          QStringLiteral("-d"), QStringLiteral("dummy")});
    server_.setProcessChannelMode(QProcess::MergedChannels);
    if (server_.program().isEmpty()) return;
    // Two servers starting at the same moment (tests run side by side) can meet in JACK's
    // shared registry and one gives up: it is started again.
    for (int attempt = 0; attempt < 3 && !running_; ++attempt) {
      if (attempt > 0) {
        Stop();
        QThread::msleep(300);
      }
      server_.start();
      // jack_wait -w returns once the server answers.
      QProcess wait;
      wait.start(QStandardPaths::findExecutable(QStringLiteral("jack_wait")),
                 {QStringLiteral("-w"), QStringLiteral("-s"), name_, QStringLiteral("-t"),
                  QStringLiteral("10")});
      running_ = server_.waitForStarted(5000) && wait.waitForFinished(15000) &&
                 wait.exitCode() == 0 && server_.state() == QProcess::Running;
    }
  }
  ~JackServer() {
    Stop();
    qunsetenv("JACK_DEFAULT_SERVER");
  }
  JackServer(const JackServer&) = delete;
  JackServer& operator=(const JackServer&) = delete;

  bool running() const { return running_; }
  QString log() { return QString::fromLocal8Bit(server_.readAll()); }
  // Stops the server's process and lets it go on: its clients are asked for nothing
  // meanwhile, as when a sound card stops delivering.
  void Freeze() { ::kill(static_cast<pid_t>(server_.processId()), SIGSTOP); }
  void Thaw() { ::kill(static_cast<pid_t>(server_.processId()), SIGCONT); }
  // Ends the server, as when the user quits it while the program plays.
  void Stop() {
    if (server_.state() == QProcess::NotRunning) return;
    server_.terminate();
    if (!server_.waitForFinished(5000)) server_.kill();
    server_.waitForFinished(5000);
  }

 private:
  QString name_;
  QProcess server_;
  bool running_ = false;
};
