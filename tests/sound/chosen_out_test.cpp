#include "sound/chosen_out.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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
