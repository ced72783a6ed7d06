// Every item of the shipped material files realises in all twelve keys without a message,
// and the phrase books are written in whole bars.
#include <gtest/gtest.h>

#include "material/file_Treat.h"
#include "theory/phrase.h"

namespace {
const QString kDataDir = QStringLiteral(VORMINA_SOURCE_DIR "/data");
}

TEST(ShippedMaterial, ListFilesAreFull) {
  file_Treat::MaterialLists lists;
  EXPECT_EQ(file_Treat::LoadScaleFile(lists, kDataDir), 20);
  EXPECT_EQ(file_Treat::LoadChordFile(lists, kDataDir), 20);
  EXPECT_EQ(file_Treat::LoadPatternFile(lists, kDataDir), 20);
  for (int i = 0; i < 20; ++i) {
    for (QChar c : lists.ScaleSteps[i]) EXPECT_TRUE(QString("1234HW").contains(c)) << i;
    for (QChar c : lists.ChordSteps[i]) EXPECT_TRUE(QString("1234HW").contains(c)) << i;
    for (QChar c : lists.PatternDegrees[i]) EXPECT_TRUE(QString("1234567").contains(c)) << i;
    EXPECT_GE(lists.PatternDegrees[i].size(), 1);
    EXPECT_LE(lists.PatternDegrees[i].size(), 6);
  }
}

TEST(ShippedMaterial, EveryItemRealisesInEveryKey) {
  const int minimum[] = {20, 20, 20, 30, 20, 20};
  for (int category = 0; category < 6; ++category) {
    file_Treat::MaterialLists lists;
    QString error;
    const int count = file_Treat::LoadCategory(lists, kDataDir, category, &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_GE(count, minimum[category]) << "category " << category;
    for (int item = 0; item < count; ++item) {
      for (int key = 0; key < 12; ++key) {
        settings::CfgRecord cfg;
        cfg.Category = static_cast<std::int16_t>(category);
        cfg.LastItem[category] = static_cast<std::int16_t>(item);
        cfg.Root = static_cast<std::int16_t>(key);
        cfg.LimitRange = 1;
        cfg.RangeLow = 21;
        cfg.RangeHigh = 50;
        for (int tonality = 0; tonality < (category == 2 ? 2 : 1); ++tonality) {
          cfg.Tonality = static_cast<std::int16_t>(tonality);
          Phrase phrase;
          QStringList messages;
          RealiseContext ctx{cfg, lists, phrase, nullptr,
                             [&messages](const QString& m) { messages << m; }};
          std::int16_t previous = 0;
          RealiseItem(ctx, false, previous);
          if (category >= 3) {
            cfg.Root = static_cast<std::int16_t>(key);
            RealiseItem(ctx, true, previous);
          }
          EXPECT_TRUE(messages.isEmpty()) << category << "/" << item << " key " << key;
          EXPECT_GT(phrase.NoteCount, 0) << category << "/" << item;
          if (category >= 3) {
            int total = 0;
            for (int i = 0; i < phrase.NoteCount; ++i) {
              EXPECT_GT(phrase.NoteLength[i], 0) << category << "/" << item << " note " << i;
              total += phrase.NoteLength[i];
            }
            EXPECT_EQ(total % 96, 0)
                << category << "/" << item << " " << lists.PhraseName[item].toStdString();
            EXPECT_EQ(cfg.Root, key);
            EXPECT_FALSE(phrase.NoteChord[0].trimmed().isEmpty()) << category << "/" << item;
          }
        }
      }
    }
  }
}
