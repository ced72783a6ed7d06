// Fuzz target: any bytes as a phrase book; each phrase realised and then moved through all
// twelve keys a semitone at a time, as the semitone button does, laid out and spelled each
// time (every written name must stand for its note's pitch).
#include <QByteArray>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz_support.h"
#include "material/file_Treat.h"
#include "theory/spelling.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::World* world = new fuzz::World;
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const file_Treat::MaterialText text = file_Treat::DecodeMaterialText(bytes);
  file_Treat::TextProblem problem;
  const int count = std::min<int>(
      file_Treat::ParsePhraseLines(world->lists, text.lines, "AUX1.txt", &problem), 4);
  settings::CfgRecord& cfg = world->cfg;
  for (int item = 0; item < count; ++item) {
    world->RealiseAndLayOut(4, item, 0);
    const Phrase& phrase = world->phrase;
    const std::vector<int> before(phrase.NotePitch.begin(),
                                  phrase.NotePitch.begin() + phrase.NoteCount);
    for (int step = 0; step < 12; ++step) {
      cfg.Root = static_cast<std::int16_t>((cfg.Root + 1) % 12);
      world->Prepare(true);
      const std::vector<spelling::Spelled> names = spelling::SpellItem(phrase, world->lists, cfg);
      for (int i = 0; i < phrase.NoteCount; ++i) {
        if (phrase.NoteIsRest[i] == 0 && spelling::PitchOf(names[i]) != phrase.NotePitch[i]) {
          std::abort();
        }
      }
    }
    // Twelve semitone steps: every pitch has moved by the sum of the steps taken, which
    // is +1 each except where the key wrapped from 11 to 0 (-11): 0 in all, fitted into the
    // range by whole octaves.
    for (int i = 0; i < phrase.NoteCount && i < static_cast<int>(before.size()); ++i) {
      if ((phrase.NotePitch[i] - before[i]) % 12 != 0) std::abort();
    }
  }
  return 0;
}
