// A playback stream on the desktop's sound server (PulseAudio, or PipeWire through its
// PulseAudio service). It asks a callback for interleaved float stereo frames, tells which
// frame the listener hears at that moment, and can be paused while nothing sounds, so that
// an idle program costs the machine nothing. No PulseAudio type shows outside.
#pragma once

#include <functional>
#include <memory>

namespace sound {

class PulseStream {
 public:
  // Called on the stream's own thread: fill frames interleaved stereo frames of out.
  using Fill = std::function<void(float* out, int frames)>;

  PulseStream();
  ~PulseStream();
  PulseStream(const PulseStream&) = delete;
  PulseStream& operator=(const PulseStream&) = delete;

  // Called on the stream's own thread after the server ran out of samples and the stream's
  // buffer grew: the frames it holds now.
  using Grown = std::function<void(int bufferFrames)>;

  // Connects to the sound server and starts playing, asking for about periodFrames at a time
  // with periods of them buffered. After an underflow the buffer grows by half, up to
  // maxPeriods, and grown says so. False when there is no server.
  bool Open(int rate, int periodFrames, int periods, int maxPeriods, Fill fill, Grown grown);
  void Close();

  // From the fill callback only: the frame of the stream the listener hears now (counted
  // from the stream's start, pauses left out), or a negative number while unknown.
  double HeardFrame() const;
  // From the fill callback only: pauses the stream after this buffer.
  void PauseFromFill();
  // From any other thread: starts a paused stream again; true when it was paused.
  bool Resume();
  // True once the server or the stream has failed or ended.
  bool Lost() const;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace sound
