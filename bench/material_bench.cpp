// Loading a full phrase book (301 phrases of 24 body lines) and realising one of its items.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include "material/file_Treat.h"
#include "theory/phrase.h"

namespace {

QString WriteFullBook(const QTemporaryDir& dir) {
  QString text = "' a full phrase book\r\n";
  for (int p = 0; p < 301; ++p) {
    text += QStringLiteral("$フレーズ %1\r\n").arg(p);
    for (const char* chord : {"*Dm7", "*G7", "*CM7"}) {
      text += QString::fromLatin1(chord) + "\r\n";
      for (const char* note : {"3D4", "3F4", "3A4", "4C4", "4D4", "4C4", "3A4", "3F4"}) {
        text += QString::fromLatin1(note) + "\r\n";
      }
    }
  }
  QFile f(dir.filePath("ric.txt"));
  if (f.open(QIODevice::WriteOnly)) f.write(QStringEncoder("windows-31j")(text));
  return dir.path();
}

void BM_LoadFullPhraseBook(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = WriteFullBook(dir);
  file_Treat::MaterialLists lists;
  for (auto _ : state) {
    QString error;
    benchmark::DoNotOptimize(file_Treat::LoadPhraseFile(lists, path, "ric", &error));
  }
}
BENCHMARK(BM_LoadFullPhraseBook)->Unit(benchmark::kMillisecond);

void BM_LoadAndRealiseOnePhrase(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = WriteFullBook(dir);
  file_Treat::MaterialLists lists;
  Phrase phrase;
  settings::CfgRecord cfg;
  cfg.Category = 3;
  cfg.LastItem[3] = 150;
  for (auto _ : state) {
    QString error;
    file_Treat::LoadPhraseFile(lists, path, "ric", &error);
    RealiseContext ctx{cfg, lists, phrase, nullptr, {}};
    std::int16_t previous = 0;
    RealiseItem(ctx, false, previous);
    benchmark::DoNotOptimize(phrase.NoteCount);
  }
}
BENCHMARK(BM_LoadAndRealiseOnePhrase)->Unit(benchmark::kMillisecond);

void BM_RealiseOnePhrase(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = WriteFullBook(dir);
  file_Treat::MaterialLists lists;
  QString error;
  file_Treat::LoadPhraseFile(lists, path, "ric", &error);
  Phrase phrase;
  settings::CfgRecord cfg;
  cfg.Category = 3;
  cfg.LastItem[3] = 150;
  for (auto _ : state) {
    RealiseContext ctx{cfg, lists, phrase, nullptr, {}};
    std::int16_t previous = 0;
    RealiseItem(ctx, false, previous);
    benchmark::DoNotOptimize(phrase.NoteCount);
  }
}
BENCHMARK(BM_RealiseOnePhrase)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
