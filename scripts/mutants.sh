#!/usr/bin/env bash
# Small faults put into the program one at a time, to see which no test catches. The sources
# are copied once into a folder of their own (WORK, default /tmp/vormina-mutants) and built
# there; each mutant changes one line of the copy, is built and tested (every test but the
# install tests), and is taken out again. It prints each mutant's outcome and, at the end,
# the survivors: faults that every test let through.
#   scripts/mutants.sh                 all mutants
#   scripts/mutants.sh 3 7             only these (numbers as listed)
# Not part of CI: a run takes an hour or more on two cores.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
work=${WORK:-/tmp/vormina-mutants}

# file | text as it stands | text of the mutant | what the fault is
mutants=$(
  cat <<'EOF'
core/settings.cpp|record.Tempo > 300|record.Tempo > 301|start-up tempo: 301 kept
core/settings.cpp|record.Tempo < 50|record.Tempo < 49|start-up tempo: 49 kept
core/kihon.cpp|if (clock_.NowMs() < deadline) return -1;|if (false) return -1;|a stopped wait not reported
core/atomic_file.cpp|  if (!WriteAll(fd, bytes)) return abandon|  if (!WriteAll(fd, bytes) && fd < 0) return abandon|a failed write not seen
material/file_Treat.cpp|if (++count == kMaxListItems) break;|if (++count == kMaxListItems + 1) break;|one item too many in a list
theory/MusicMethod_Treat.cpp|      return ticks::kSixteenthTriplet;|      return ticks::kEighthTriplet;|T3 read as an eighth triplet
theory/phrase.cpp|shift = highest - 12 > cfg.RangeHigh ? -24 : -12;|shift = highest - 12 >= cfg.RangeHigh ? -24 : -12;|range fitting moves two octaves at the bound
theory/phrase.cpp|    if (rule.onHalfBar && position % kHalf != 0) return false;|    if (rule.onHalfBar && position % kQuarter != 0) return false;|four eighths beamed off the half bar
theory/spelling.cpp|                                                  {3, 1},|                                                  {4, -1},|the key of F♯ named G♭
theory/spelling.cpp|  if (std::abs(s.alter) <= 1) return s;|  if (std::abs(s.alter) <= 2) return s;|a tension kept on a double sign
theory/chord_letters.cpp|{3, altered ? 1 : kBlueThird}|{3, altered ? kBlueThird : kBlueThird}|♯9 over an altered dominant as a blue third
theory/chord_letters.cpp|  tone(p.fifth, 4);|  tone(p.fifth, 5);|the fifth on the sixth's letter
sound/Sound_Treat.cpp|const int beats = (grid_->EndStep + kStepsPerBeat - 1) / kStepsPerBeat;|const int beats = grid_->EndStep / kStepsPerBeat;|the answer's beats rounded down
sound/Sound_Treat.cpp|kClickBeats[] = {0, 2, 4, 5, 6, 7, kCountInBeats};|kClickBeats[] = {0, 2, 3, 4, 5, 6, kCountInBeats};|one half-note click in the count-in
sound/Sound_Treat.cpp|    if (k == kStepsPerBeat / 2) {|    if (k == kStepsPerBeat / 3) {|swing looks for the off-beat in the wrong place
sound/midi1.cpp|pitch + cfg_.PitchBase + cfg_.PitchAdjust, velocity));|pitch + cfg_.PitchBase - cfg_.PitchAdjust, velocity));|a transposing instrument's pitch the wrong way
sound/short_message.cpp|    case ShortMessage::kChannelPressure:|    case 0x01:|channel pressure given two data bytes
sound/midi_file_writer.cpp|  while ((value >>= 7) != 0) bytes[n++] = static_cast<char>(0x80 \| (value & 0x7F));|  while ((value >>= 7) != 0) bytes[n++] = static_cast<char>(value & 0x7F);|variable-length numbers without their high bit
sound/midi_file_reader.cpp|      status = running;  // running status: the last channel message's|      status = 0x90;|running status read as note on
sound/offline.cpp|const QByteArray track = midifile::TrackChunk(std::move(events), last + kTicksPerMs * 1000);|const QByteArray track = midifile::TrackChunk(std::move(events), last);|the rendered file ends with its last message
engine/listen.cpp|        if (dt <= beat) {|        if (dt < beat) {|a note a whole beat off not matched
engine/listen.cpp|constexpr double kWrongCost = 0.9;|constexpr double kWrongCost = 2.1;|a wrong note judged missed and extra
engine/listen_session.cpp|  return Sound_Treat::BeatLengthMs(passTempo_) / 4.0;|  return Sound_Treat::BeatLengthMs(passTempo_) / 2.0;|an anticipated note half a beat early counts
views/score/staff.cpp|  const int position = 7 * octave + ((step % 7) + 7) % 7;|  const int position = 0 * octave + ((step % 7) + 7) % 7;|a sign held for every octave of its letter
views/score/staff.cpp|  if (tiedOver) return QString();|  if (tiedOver && step < -99) return QString();|a tied note repeats its sign
views/score/score.cpp|    const float clear = 0.35f * s;|    const float clear = 0.0f * s;|the tuplet digit on the beam
views/circle/circle.cpp|    const QString own = itemNames ? (*itemNames)[pc] : QString();|    const QString own = itemNames && pc < 0 ? (*itemNames)[pc] : QString();|the circle names by the key alone
exports/exports.cpp|sound::ShortMessage::Make(m.status(), m.data1() - above, m.data2());|sound::ShortMessage::Make(m.status(), m.data1() + above, m.data2());|a transposing instrument's MIDI shifted the wrong way
exports/musicxml.cpp|    if (alter != 0) xml_.writeTextElement(QStringLiteral("root-alter"), QString::number(alter));|    if (alter > 0) xml_.writeTextElement(QStringLiteral("root-alter"), QString::number(alter));|a flat root written without its alteration
exports/musicxml.cpp|    if (alter == inForce) return;|    if (alter == 0 * inForce) return;|naturals and repeated signs wrong
exports/midi_file.cpp|  return note < kFirstMappedDrum \|\| note > kLastMappedDrum ? kSideStick : note;|  return note < kFirstMappedDrum \|\| note >= kLastMappedDrum ? kSideStick : note;|the click's drum map bound
app/frmMain.cpp|  cfg_.Root = practice::KeyMovedBy(cfg_.Root, practice::kSemitoneDown);|  cfg_.Root = practice::KeyMovedBy(cfg_.Root, practice::kSemitoneUp);|半音－ moves up
dialogs/export_dialog.cpp|  const QString key = exports::KeyTitle(request_.key, minor);|  const QString key = exports::KeyTitle(request_.key, minor && request_.key < 0);|a minor key's name lost in the export dialog
sound/Sound_Treat.cpp|return static_cast<std::int64_t>(std::floor(ms + 0.5));|return static_cast<std::int64_t>(std::ceil(ms - 0.5));|times rounded halves down
sound/Sound_Treat.cpp|static constexpr double kShares[] = {0.6, 0.7, 0.8};|static constexpr double kShares[] = {0.6, 0.75, 0.8};|標準 swing at 3:1
sound/Sound_Treat.cpp|std::max(pass.origin + pass.times[static_cast<std::size_t>(t)], waits_.clock().NowMs() + 1);|std::max(pass.origin + pass.times.back(), waits_.clock().NowMs() + 1);|a change mid-pass left to the next pass
engine/practice_engine.cpp|      if (ahead) midi_.WithdrawFrom(clickAt(next));|      if (ahead && tempo < 0) midi_.WithdrawFrom(clickAt(next));|a tempo change leaves the click due at the old beat
cli/vormina_cli.cpp|    realiseError = sel.world->Pass(Move::kKeyChange, *thenKey, false).error;|    realiseError = sel.world->Pass(Move::kInKey, *thenKey, false).error;|--then-key realises afresh
EOF
)

if [ ! -f "$work/build/CMakeCache.txt" ]; then
  rm -rf "$work"
  mkdir -p "$work"
  (cd "$top" && git ls-files -z | xargs -0 cp --parents -t "$work")
  cmake -S "$work" -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORMINA_BENCHMARKS=OFF \
    >"$work/configure.log" 2>&1 || { echo "configure failed: $work/configure.log"; exit 2; }
fi
cmake --build "$work/build" -j2 >"$work/build.log" 2>&1 || { echo "build failed: $work/build.log"; exit 2; }

# Puts the mutant into the copy (mode apply) or takes it out (mode revert).
change() {
  python3 - "$work/$1" "$2" "$3" "$4" <<'PY'
import sys
path, before, after, mode = sys.argv[1:5]
before = before.replace('\\|', '|')
after = after.replace('\\|', '|')
if mode == 'revert':
    before, after = after, before
text = open(path, encoding='utf-8').read()
if before not in text:
    sys.exit(f'not found in {path}: {before}')
open(path, 'w', encoding='utf-8').write(text.replace(before, after, 1))
PY
}

wanted=" $* "
survivors=()
number=0
while IFS= read -r line; do
  [ -z "$line" ] && continue
  number=$((number + 1))
  if [ $# -gt 0 ] && [[ "$wanted" != *" $number "* ]]; then continue; fi
  # Fields are split at "|" not preceded by a backslash.
  IFS=$'\t' read -r file before after what < <(printf '%s' "$line" | sed 's/\([^\\]\)|/\1\t/g')
  if ! change "$file" "$before" "$after" apply; then
    echo "$number: cannot apply ($what)"
    continue
  fi
  if ! cmake --build "$work/build" -j2 >"$work/mutant.log" 2>&1; then
    outcome="does not build"
  elif (cd "$work/build" && QT_QPA_PLATFORM=offscreen ctest -j2 -E '^Install\.' \
          --stop-on-failure >"$work/mutant-tests.log" 2>&1); then
    outcome="SURVIVED"
    survivors+=("$number: $file: $what")
  else
    outcome="caught by $(grep -m1 -oE '[0-9]+ - [^ ]+' "$work/mutant-tests.log" | cut -d' ' -f3)"
  fi
  echo "$number: $file: $what: $outcome"
  change "$file" "$before" "$after" revert
done <<<"$mutants"
cmake --build "$work/build" -j2 >/dev/null 2>&1

echo
echo "${#survivors[@]} of $number mutants survived"
for s in "${survivors[@]}"; do echo "  $s"; done
