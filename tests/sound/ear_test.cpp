// The ear on a real sound server: a private PulseAudio whose null sink's monitor is the
// microphone, a take played into it with paplay as another program would. The notes come
// out as a keyboard's would: on and off, in order, a note's length apart.
#include "sound/ear.h"

#include <gtest/gtest.h>
#include <jack/jack.h>

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>
#include <mutex>
#include <vector>

#include "sound/jack_in.h"
#include "sound/wav_reader.h"
#include "tests/sound/jack_server.h"
#include "tests/sound/pulse_server.h"
#include "tests/sound/takes.h"

namespace {

// The notes the ear says, as they come from its thread.
class Listener {
 public:
  explicit Listener(sound::Ear& ear) {
    ear.onNote = [this](const sound::EarNote& n) {
      std::lock_guard<std::mutex> hold(lock_);
      heard_.push_back(n);
    };
  }
  std::vector<sound::EarNote> Heard() {
    std::lock_guard<std::mutex> hold(lock_);
    return heard_;
  }

 private:
  std::mutex lock_;
  std::vector<sound::EarNote> heard_;
};

// Tongued notes 300 ms long, 350 ms apart, from fromMs.
std::vector<takes::Note> Tongued(const std::vector<int>& pitches, double fromMs) {
  std::vector<takes::Note> notes;
  for (const int pitch : pitches) {
    notes.push_back({fromMs + 350.0 * static_cast<double>(notes.size()), 300, pitch});
  }
  return notes;
}

}  // namespace

TEST(Ear, HearsATakePlayedIntoTheSoundServer) {
  PulseServer server;
  if (!server.running() || !PulseServer::Has(QStringLiteral("paplay"))) {
    GTEST_SKIP() << "no PulseAudio server or paplay";
  }
  QTemporaryDir dir;
  QFile file(dir.filePath(QStringLiteral("take.wav")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  const std::vector<takes::Note> notes = Tongued({60, 64, 67, 70}, 300);
  file.write(takes::Wav(notes));
  file.close();

  sound::Ear ear(std::chrono::steady_clock::now());
  Listener listener(ear);
  QString error;
  ASSERT_TRUE(ear.Open(QStringLiteral("null.monitor"), &error)) << error.toStdString();
  ASSERT_EQ(server.Run(QStringLiteral("paplay"),
                       {QStringLiteral("-d"), QStringLiteral("null"), file.fileName()}),
            0);
  // What is still in the buffers and the analysis arrives shortly after the take ends.
  for (int i = 0; i < 100 && listener.Heard().size() < 8; ++i) QThread::msleep(20);
  ear.Close();
  const std::vector<sound::EarNote> heard = listener.Heard();
  ASSERT_EQ(heard.size(), 8u);
  const int pitches[] = {60, 64, 67, 70};
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const sound::EarNote& on = heard[2 * i];
    const sound::EarNote& off = heard[2 * i + 1];
    EXPECT_TRUE(on.on);
    EXPECT_FALSE(off.on);
    EXPECT_EQ(on.note, pitches[i]);
    EXPECT_EQ(off.note, pitches[i]);
    // The times come from the samples: a note's length and the notes' distance as played.
    EXPECT_NEAR(off.ms - on.ms, 300, 30);
    if (i > 0) {
      EXPECT_NEAR(on.ms - heard[2 * i - 2].ms, 350, 30);
    }
  }
}

namespace {

// Another program on the JACK server: one audio output port, "player:out", that plays a
// take once from its start, then silence.
class JackPlayer {
 public:
  bool Open() {
    jack_status_t status{};
    client_ = jack_client_open("player", JackNoStartServer, &status);
    if (!client_) return false;
    port_ = jack_port_register(client_, "out", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    jack_set_process_callback(client_, &JackPlayer::Process, this);
    return port_ && jack_activate(client_) == 0;
  }
  ~JackPlayer() {
    if (client_) jack_client_close(client_);
  }
  int Rate() const { return static_cast<int>(jack_get_sample_rate(client_)); }
  void Play(std::vector<float> take) {
    std::lock_guard<std::mutex> hold(lock_);
    take_ = std::move(take);
    at_ = 0;
  }
  bool Done() {
    std::lock_guard<std::mutex> hold(lock_);
    return at_ >= take_.size();
  }

 private:
  static int Process(jack_nframes_t frames, void* self) {
    auto* p = static_cast<JackPlayer*>(self);
    auto* out = static_cast<float*>(jack_port_get_buffer(p->port_, frames));
    std::lock_guard<std::mutex> hold(p->lock_);
    for (jack_nframes_t i = 0; i < frames; ++i) {
      out[i] = p->at_ < p->take_.size() ? p->take_[p->at_++] : 0.0f;
    }
    return 0;
  }
  jack_client_t* client_ = nullptr;
  jack_port_t* port_ = nullptr;
  std::mutex lock_;
  std::vector<float> take_;
  std::size_t at_ = 0;
};

}  // namespace

// The same through JACK, for a player whose sound goes through it: the program's input is
// connected to another program's output port, at the server's rate.
TEST(Ear, HearsATakeFromAJackPort) {
  JackServer jack;
  ASSERT_TRUE(jack.running()) << jack.log().toStdString();
  JackPlayer player;
  ASSERT_TRUE(player.Open());
  EXPECT_TRUE(sound::JackSoundPorts().contains(QStringLiteral("player:out")));
  sound::Ear ear(std::chrono::steady_clock::now());
  Listener listener(ear);
  QString error;
  EXPECT_FALSE(ear.Open(QStringLiteral("jack:nobody:out"), &error));
  EXPECT_TRUE(error.contains(QStringLiteral("その入力はありません"))) << error.toStdString();
  ASSERT_TRUE(ear.Open(QStringLiteral("jack:player:out"), &error)) << error.toStdString();
  const std::vector<takes::Note> notes = Tongued({62, 66, 69}, 200);
  wav::Sound take;
  ASSERT_TRUE(wav::Read(takes::Wav(notes, player.Rate()), take));
  player.Play(take.samples);
  for (int i = 0; i < 300 && !player.Done(); ++i) QThread::msleep(10);
  QThread::msleep(300);  // what the analysis still holds
  ear.Close();
  const std::vector<sound::EarNote> heard = listener.Heard();
  ASSERT_EQ(heard.size(), 6u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(heard[2 * i].note, notes[i].pitch);
    EXPECT_TRUE(heard[2 * i].on);
    if (i > 0) {
      EXPECT_NEAR(heard[2 * i].ms - heard[2 * i - 2].ms, 350, 30);
    }
  }
}
