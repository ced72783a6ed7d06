// Sound from a JACK server, for a player whose sound goes through JACK: the program's own
// input port "VORMINA-ear:in", connected to the audio output port chosen (a sound card's
// system:capture_1, or another program's output). Each period's samples are stamped with
// the moment the first of them was captured, on the program's clock. No JACK type shows
// outside.
#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

namespace sound {

// The audio output ports of the JACK server now (what an input can be connected to); empty
// when no server runs. Never starts a server.
QStringList JackSoundPorts();

class JackIn {
 public:
  explicit JackIn(std::chrono::steady_clock::time_point epoch);
  ~JackIn();
  JackIn(const JackIn&) = delete;
  JackIn& operator=(const JackIn&) = delete;

  // Called on JACK's process thread each period: count samples, the first captured at
  // firstMs on the program's clock. Set it before Open; it must not block.
  std::function<void(const float* samples, int count, double firstMs)> onSamples;

  // Connects the program's input to the port (its full name). False, with the reason in
  // error, when there is no server or no such port.
  bool Open(const QString& port, QString* error = nullptr);
  // Leaves the server; no period is delivered once it returns.
  void Close();
  bool IsOpen() const;
  QString Port() const { return port_; }
  // The server's sample rate (0 when not open).
  int Rate() const;
  // The capture latency of the port connected (ms).
  double LatencyMs() const;
  // True once the server went away or the port was disconnected.
  bool Lost() const { return lost_; }

 private:
  struct Client;
  static int Process(unsigned frames, void* self);

  std::chrono::steady_clock::time_point epoch_;
  std::unique_ptr<Client> client_;
  QString port_;
  std::atomic<bool> lost_{false};
};

}  // namespace sound
