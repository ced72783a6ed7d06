// A JACK client of the program's own with no ports, opened beside an output that plays
// through JACK: it tells the rate the server runs every client at, and notices the server
// quitting (the port lists a JACK client sees stay as they were after its server is gone).
// It never starts a server.
#pragma once

#include <atomic>
#include <memory>

namespace sound {

class JackWatch {
 public:
  JackWatch();
  ~JackWatch();
  JackWatch(const JackWatch&) = delete;
  JackWatch& operator=(const JackWatch&) = delete;

  // False when no JACK server is running.
  bool Open();
  // The server's sample rate; 0 when not open.
  int SampleRate() const;
  // True once the server has quit or thrown the client out.
  bool Gone() const { return gone_.load(); }

 private:
  struct Client;
  std::unique_ptr<Client> client_;
  std::atomic<bool> gone_{false};
};

}  // namespace sound
