#include "sound/chosen_out.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <map>
#include <vector>

#include "sound/fluidsynth_out.h"

namespace {

struct Stored {
  const char* name;
  const char* code;       // stored as the output ("" for nothing stored)
  const char* soundFont;  // stored as the SoundFont
  const char* chosen;     // read back
};

}  // namespace

TEST(ChosenOutput, TheChoiceIsKeptPerUserAndReadBackAsStored) {
  QTemporaryDir dir;
  // A SoundFont beside the program goes first when none is chosen.
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sounds")));
  const QString own = dir.filePath(QStringLiteral("sounds/own.sf2"));
  QFile file(own);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  const QString settings = dir.filePath(QStringLiteral("user.ini"));
  for (const Stored& c : {Stored{"nothing stored", "", "", "synth:"},
                          Stored{"a port", "port:Keyboard 1", "/x/piano.sf2", "port:Keyboard 1"},
                          Stored{"a driver", "synth:alsa", "", "synth:alsa"},
                          Stored{"something unknown", "speaker", "", "synth:"}}) {
    SCOPED_TRACE(c.name);
    QFile::remove(settings);
    if (*c.code) {
      sound::ChosenOut(dir.path(), {}, settings)
          .Choose(QString::fromUtf8(c.code), QString::fromUtf8(c.soundFont));
    }
    // A fresh output, as at the next start, reads what was stored.
    const sound::ChosenOut out(dir.path(), {}, settings);
    EXPECT_EQ(out.Chosen(), QString::fromUtf8(c.chosen));
    EXPECT_EQ(out.ChosenSoundFont(), QString::fromUtf8(c.soundFont));
    EXPECT_EQ(out.SoundFontInUse(), *c.soundFont ? QString::fromUtf8(c.soundFont) : own);
    EXPECT_EQ(out.OutputLatencyMs(), 0.0);  // nothing open
  }
}

TEST(ChosenOutput, TheSynthesiserIsOfferedOnEveryDriver) {
  QTemporaryDir dir;
  const sound::ChosenOut out(dir.path(), {}, dir.filePath(QStringLiteral("user.ini")));
  const std::vector<sound::OutputEntry> present = out.Present();
  ASSERT_GE(present.size(), 5u);
  const char* drivers[] = {"synth:", "synth:pipewire", "synth:pulseaudio", "synth:jack",
                           "synth:alsa"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(present[i].code, QString::fromLatin1(drivers[i]));
    EXPECT_TRUE(present[i].name.startsWith(QStringLiteral("内蔵シンセサイザー"))) << i;
  }
  for (std::size_t i = 5; i < present.size(); ++i) {
    EXPECT_TRUE(present[i].code.startsWith(QStringLiteral("port:")));
  }
}

namespace {

// An output that opens or not as told, and goes away when told.
class FakeOut final : public sound::MidiOut {
 public:
  FakeOut(QString code, const std::map<QString, bool>& opens, std::vector<QString>& log)
      : code_(std::move(code)), opens_(opens), log_(log) {}
  bool Open() override { return opens_.count(code_) && opens_.at(code_); }
  void Close() override {}
  void Send(const sound::ShortMessage&, std::int64_t) override { log_.push_back(code_); }
  bool Lost() const override { return lost; }
  QString Name() const override { return code_; }
  bool lost = false;

 private:
  QString code_;
  const std::map<QString, bool>& opens_;
  std::vector<QString>& log_;
};

}  // namespace

TEST(ChosenOutput, AnOutputThatGoesAwayGivesOneMessageAndTheNextOnePlays) {
  struct Case {
    const char* name;
    const char* chosen;
    std::map<QString, bool> opens;  // which codes open after the loss
    std::vector<QString> sentTo;    // where the two messages after the loss go
    const char* said;
  };
  const QString port = QStringLiteral("port:Piano");
  const QString synth = QStringLiteral("synth:");
  const QString first = QStringLiteral("port:");
  for (const Case& c : {Case{"a port: the synthesiser plays",
                             "port:Piano",
                             {{synth, true}},
                             {synth, synth},
                             "音の出力先（port:Piano）が使えなくなりました。synth: で鳴らします。"},
                        Case{"the sound server: the first port plays",
                             "synth:",
                             {{first, true}},
                             {first, first},
                             "音の出力先（synth:）が使えなくなりました。port: で鳴らします。"},
                        Case{"nothing left",
                             "synth:",
                             {},
                             {},
                             "音の出力先（synth:）が使えなくなりました。音は出ません。"}}) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    sound::ChosenOut out(dir.path(), {}, dir.filePath(QStringLiteral("user.ini")));
    out.Choose(QString::fromUtf8(c.chosen), QString());
    std::map<QString, bool> opens{{QString::fromUtf8(c.chosen), true}};
    std::vector<QString> log;
    FakeOut* opened = nullptr;
    out.make = [&](const QString& code) {
      auto fake = std::make_unique<FakeOut>(code, opens, log);
      if (!opened) opened = fake.get();
      return fake;
    };
    QStringList said;
    out.report = [&said](const QString& message) { said << message; };
    ASSERT_TRUE(out.Open());
    out.Send(*sound::ShortMessage::Make(0x90, 60, 100), sound::kAtOnce);
    EXPECT_EQ(log, std::vector<QString>{QString::fromUtf8(c.chosen)});
    // It goes away; what opens now is what the case says.
    opened->lost = true;
    opens = c.opens;
    log.clear();
    out.Send(*sound::ShortMessage::Make(0x90, 62, 100), sound::kAtOnce);
    out.Send(*sound::ShortMessage::Make(0x90, 64, 100), sound::kAtOnce);
    EXPECT_EQ(log, c.sentTo);
    EXPECT_EQ(said, QStringList{QString::fromUtf8(c.said)});
  }
}

TEST(ChosenOutput, TheMidiInputChoiceIsKeptPerUserAndAppliedAtOnce) {
  QTemporaryDir dir;
  const QString settings = dir.filePath(QStringLiteral("user.ini"));
  {
    sound::ChosenOut out(dir.path(), {}, settings);
    EXPECT_EQ(out.ChosenInput(), QString());
    EXPECT_EQ(out.InputLatencyMs(), 0);
    QString applied;
    double latency = -1;
    out.applyInput = [&](const QString& port, double ms) {
      applied = port;
      latency = ms;
    };
    out.ChooseInput(QStringLiteral("Keystation:in"), 15);
    EXPECT_EQ(applied, QStringLiteral("Keystation:in"));
    EXPECT_EQ(latency, 15);
  }
  // Read back by the next start, from the per-user file; an absurd latency is bounded.
  const sound::ChosenOut again(dir.path(), {}, settings);
  EXPECT_EQ(again.ChosenInput(), QStringLiteral("Keystation:in"));
  EXPECT_EQ(again.InputLatencyMs(), 15);
  QSettings(settings, QSettings::IniFormat).setValue(QStringLiteral("midi/inputLatencyMs"), 99999);
  EXPECT_EQ(again.InputLatencyMs(), 500);
}

// A SoundFont that is a FIFO or a device is refused at once, by name, instead of the
// synthesiser waiting on it or reading without end.
TEST(SoundFontFile, WhatIsNoRegularFileIsRefusedByName) {
  QTemporaryDir dir;
  const QString fifo = dir.filePath(QStringLiteral("FluidR3_GM.sf2"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  for (const QString& path : {fifo, QStringLiteral("/dev/zero")}) {
    std::vector<std::int16_t> samples;
    QString error;
    EXPECT_FALSE(sound::RenderOffline(path, {}, 10, samples, error)) << path.toStdString();
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("通常のファイルではない"))) << error.toStdString();
  }
}
