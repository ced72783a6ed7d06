// The notes of one voice in a sound: a horn, a singer, a guitar's single line, heard through
// a microphone or read from a recording. Pitch comes from aubio's YIN-FFT with its
// confidence, onsets from aubio's spectral flux; the notes are the transcriber's own: a note
// begins at an onset or where the pitch moves by a semitone or more for 30 ms (a slur), it
// takes the median pitch of its steady part, and it ends at silence or at the next note.
// Vibrato up to half a semitone each way, breath noise and a room's reverberation neither
// split nor merge notes. No aubio type shows outside.
#pragma once

#include <functional>
#include <memory>
#include <vector>

namespace sound {

// A note found: its onset in ms from the first sample fed, its MIDI note, how far the
// median pitch lies from that note (cents, -50..50), and its length in ms.
struct HeardNote {
  double onsetMs = 0;
  int pitch = 0;
  double cents = 0;
  double lengthMs = 0;
};

// What the transcriber hears in one analysis frame, for a level meter and a tuner.
struct HeardFrame {
  double ms = 0;          // the frame's time, as a note's onset is counted
  double levelDb = -120;  // RMS level, dB full scale
  double pitch = 0;       // MIDI note with fraction; 0 when no pitch is heard
  double confidence = 0;  // 0..1
};

class Transcriber {
 public:
  // rate: samples a second of the mono sound fed.
  explicit Transcriber(int rate);
  ~Transcriber();
  Transcriber(const Transcriber&) = delete;
  Transcriber& operator=(const Transcriber&) = delete;

  int rate() const;
  // How long after a sample it can have been analysed: the analysis window less the part
  // before the frame's time, plus the hop collected before a frame runs (ms).
  double AnalysisDelayMs() const;

  // Called from Feed: a note has begun (its pitch as first heard, which the finished note
  // may correct), a note is finished (its onset is the same as when it began), a frame.
  std::function<void(const HeardNote&)> onNoteBegun;
  std::function<void(const HeardNote&)> onNote;
  std::function<void(const HeardFrame&)> onFrame;
  // Called from Feed as soon as the pitch heard has held two frames (or silence three): the
  // MIDI note to show now (-1 for none) and the time of the last sample fed. Quicker than a
  // note's beginning, for the keyboard and the circle; not a judgement.
  std::function<void(int note, double atMs)> onShown;

  // Analyses the next samples of the sound (any number at a time).
  void Feed(const float* samples, int count);
  // The sound has ended: the note sounding is finished.
  void Finish();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

// The notes of a whole recording, mono, rate samples a second.
std::vector<HeardNote> Transcribe(const std::vector<float>& samples, int rate);

}  // namespace sound
