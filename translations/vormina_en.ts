<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>ExportDialog</name>
    <message>
        <source>MIDIファイル書き出し</source>
        <translation>Export MIDI file</translation>
    </message>
    <message>
        <source>MusicXML書き出し</source>
        <translation>Export MusicXML</translation>
    </message>
    <message>
        <source>12キー練習シート(PDF)</source>
        <translation>Twelve-key practice sheet (PDF)</translation>
    </message>
    <message>
        <source>このキーだけ（%1）</source>
        <translation>This key only (%1)</translation>
    </message>
    <message>
        <source>12キーすべて（%1から）</source>
        <translation>All twelve keys (from %1)</translation>
    </message>
    <message>
        <source>このキーだけ書き出す</source>
        <translation>Export this key only</translation>
    </message>
    <message>
        <source>12キーすべて書き出す</source>
        <translation>Export all twelve keys</translation>
    </message>
    <message>
        <source>キー</source>
        <translation>Key</translation>
    </message>
    <message>
        <source>半音ずつ上へ</source>
        <translation>Up in semitones</translation>
    </message>
    <message>
        <source>半音ずつ下へ</source>
        <translation>Down in semitones</translation>
    </message>
    <message>
        <source>4度ずつ上へ</source>
        <translation>Up in fourths</translation>
    </message>
    <message>
        <source>キーの進行</source>
        <translation>Order of the keys</translation>
    </message>
    <message>
        <source>進行</source>
        <translation>Key order</translation>
    </message>
    <message>
        <source>実音（C）</source>
        <translation>Concert pitch (C)</translation>
    </message>
    <message>
        <source>B♭管</source>
        <translation>B♭ instrument</translation>
    </message>
    <message>
        <source>E♭管</source>
        <translation>E♭ instrument</translation>
    </message>
    <message>
        <source>F管</source>
        <translation>F instrument</translation>
    </message>
    <message>
        <source>記譜する楽器</source>
        <translation>Instrument written for</translation>
    </message>
    <message>
        <source>楽器</source>
        <translation>Instrument</translation>
    </message>
    <message>
        <source>演奏どおりスウィングさせる</source>
        <translation>Swing as played</translation>
    </message>
    <message>
        <source>保存先を選ぶ…</source>
        <translation>Choose where to save…</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>MainSet</name>
    <message>
        <source>補足設定</source>
        <translation>Playback options</translation>
    </message>
    <message>
        <source>クリック音</source>
        <translation>Click</translation>
    </message>
    <message>
        <source>カウントイン</source>
        <translation>Count-in</translation>
    </message>
    <message>
        <source>伴奏</source>
        <translation>Accompaniment</translation>
    </message>
    <message>
        <source>旋律</source>
        <translation>Melody</translation>
    </message>
    <message>
        <source>戻る</source>
        <translation>Back</translation>
    </message>
</context>
<context>
    <name>MaterialEditor</name>
    <message>
        <source>UTF-8 (BOM付き)</source>
        <translation>UTF-8 (with BOM)</translation>
    </message>
    <message>
        <source>%1 - 設定ファイル編集</source>
        <translation>%1 - Edit material file</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>%1&#x3000;（%2・%3）</source>
        <translation>%1  (%2, %3)</translation>
    </message>
    <message>
        <source>%1
%2その行は、書き換えなければ元のバイトのまま保存します。</source>
        <translation>%1
%2 Unless you change those lines, they are saved with their original bytes.</translation>
    </message>
    <message>
        <source>%1

このまま保存しますか？</source>
        <translation>%1

Save anyway?</translation>
    </message>
    <message>
        <source>%1 は %2 では保存できない文字です。

UTF-8 で保存しますか？（「いいえ」で保存せずに戻ります）</source>
        <translation>%1: these characters cannot be saved in %2.

Save as UTF-8 instead? (No takes you back without saving.)</translation>
    </message>
    <message>
        <source>%1
編集中の内容はこの画面に残っています。</source>
        <translation>%1
Your edits are still here in this window.</translation>
    </message>
    <message>
        <source>%1 は変更されています。保存しますか？</source>
        <translation>%1 has been changed. Save it?</translation>
    </message>
</context>
<context>
    <name>PracticeChart</name>
    <message>
        <source>練習記録のグラフ</source>
        <translation>Practice log chart</translation>
    </message>
    <message>
        <source>記録がありません</source>
        <translation>No records</translation>
    </message>
    <message>
        <source>%1日分の記録。最後の日 %2、最高テンポ %3</source>
        <translation>Records of %1 days. Last day %2, top tempo %3</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>正解率（キーごと）</source>
        <translation>% correct (by key)</translation>
    </message>
    <message>
        <source>最高テンポ</source>
        <translation>Top tempo</translation>
    </message>
    <message>
        <source>まだ記録がありません。
設定の「聴き取り採点」をオンにして演奏すると、ここに記録されます。</source>
        <translation>No records yet.
Turn on Listen mode in the Settings menu and play: your results are recorded here.</translation>
    </message>
</context>
<context>
    <name>PracticeLogWindow</name>
    <message>
        <source>練習記録</source>
        <translation>Practice log</translation>
    </message>
    <message>
        <source>項目：</source>
        <translation>Item:</translation>
    </message>
    <message>
        <source>記録を見る項目</source>
        <translation>Item to show</translation>
    </message>
    <message>
        <source>すべての項目</source>
        <translation>All items</translation>
    </message>
    <message>
        <source>練習記録を読めませんでした。%1</source>
        <translation>Could not read the practice log. %1</translation>
    </message>
    <message>
        <source>%1 回の採点（%2）</source>
        <translation>%1 scored passes (%2)</translation>
    </message>
    <message>
        <source>記録が長いため、新しいほうの %1 MB だけを読みました。</source>
        <translation>The log is long, so only its newest %1 MB was read.</translation>
    </message>
    <message>
        <source>読めない行が %1 行あり、飛ばしました。</source>
        <translation>Skipped %1 unreadable lines.</translation>
    </message>
</context>
<context>
    <name>Sound_Treat</name>
    <message>
        <source>この項目は長すぎるため、%2 拍を超える部分（%1 番目の音符から）は演奏しません。</source>
        <translation>This item is too long: what lies beyond beat %2 (from note %1 on) is not played.</translation>
    </message>
</context>
<context>
    <name>appdir</name>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>新しい版の教材があります。次のファイルはあなたが変更しているのでそのまま残し、新しい版を隣に置きました:
</source>
        <translation>There is a new version of the material. You changed the following files, so they are kept as they are and the new version is placed beside them:
</translation>
    </message>
    <message>
        <source>次の教材ファイルを新しい版にできませんでした（元のままです）:
&#x3000;</source>
        <translation>The following material files could not be updated (they are unchanged):
  </translation>
    </message>
    <message>
        <source>

フォルダ: </source>
        <translation>

Folder: </translation>
    </message>
</context>
<context>
    <name>atomic_file</name>
    <message>
        <source>%1 を保存できません（フォルダー %2）。%3: %4</source>
        <translation>Cannot save %1 (folder %2). %3: %4</translation>
    </message>
    <message>
        <source>開けません</source>
        <translation>cannot open it</translation>
    </message>
    <message>
        <source>元の内容の控えを作れません</source>
        <translation>cannot keep a copy of the old contents</translation>
    </message>
    <message>
        <source>書き込めません</source>
        <translation>cannot write</translation>
    </message>
    <message>
        <source>
元の内容は %1 に残してあります。</source>
        <translation>
The old contents are kept in %1.</translation>
    </message>
    <message>
        <source>リンクをたどれません</source>
        <translation>cannot follow the link</translation>
    </message>
    <message>
        <source>書き込みません</source>
        <translation>not written</translation>
    </message>
    <message>
        <source>通常のファイルではありません</source>
        <translation>it is not a regular file</translation>
    </message>
    <message>
        <source>一時ファイルを作成できません</source>
        <translation>cannot create a temporary file</translation>
    </message>
    <message>
        <source>属性を設定できません</source>
        <translation>cannot set its permissions</translation>
    </message>
    <message>
        <source>ディスクに書き込めません</source>
        <translation>cannot write to the disk</translation>
    </message>
    <message>
        <source>置き換えられません</source>
        <translation>cannot replace it</translation>
    </message>
</context>
<context>
    <name>audio_in</name>
    <message>
        <source>サウンドサーバーにつながりません</source>
        <translation>cannot reach the sound server</translation>
    </message>
    <message>
        <source>サウンドサーバーが応えません</source>
        <translation>the sound server does not answer</translation>
    </message>
    <message>
        <source>その入力はありません</source>
        <translation>there is no such input</translation>
    </message>
    <message>
        <source>録音が許されていません</source>
        <translation>recording is not allowed</translation>
    </message>
    <message>
        <source>その形式では録音できません</source>
        <translation>cannot record in that format</translation>
    </message>
    <message>
        <source>既定の入力</source>
        <translation>default input</translation>
    </message>
    <message>
        <source>録音の入力（%1）を開けません: %2</source>
        <translation>Cannot open the recording input (%1): %2</translation>
    </message>
</context>
<context>
    <name>chosen_out</name>
    <message>
        <source>内蔵シンセサイザー（自動）</source>
        <translation>Built-in synthesiser (automatic)</translation>
    </message>
    <message>
        <source>内蔵シンセサイザー（PipeWire）</source>
        <translation>Built-in synthesiser (PipeWire)</translation>
    </message>
    <message>
        <source>内蔵シンセサイザー（PulseAudio）</source>
        <translation>Built-in synthesiser (PulseAudio)</translation>
    </message>
    <message>
        <source>内蔵シンセサイザー（JACK）</source>
        <translation>Built-in synthesiser (JACK)</translation>
    </message>
    <message>
        <source>内蔵シンセサイザー（ALSA）</source>
        <translation>Built-in synthesiser (ALSA)</translation>
    </message>
    <message>
        <source>音の出力先（%1）が使えなくなりました。%2 で鳴らします。</source>
        <translation>The sound output (%1) is no longer available. Playing through %2.</translation>
    </message>
    <message>
        <source>音の出力先（%1）が使えなくなりました。音は出ません。</source>
        <translation>The sound output (%1) is no longer available. There is no sound.</translation>
    </message>
    <message>
        <source>MIDIポート: %1</source>
        <translation>MIDI port: %1</translation>
    </message>
    <message>
        <source>%1（出力の録音）</source>
        <translation>%1 (recording of an output)</translation>
    </message>
    <message>
        <source>JACK：%1</source>
        <translation>JACK: %1</translation>
    </message>
</context>
<context>
    <name>exports</name>
    <message>
        <source>B♭管</source>
        <translation>B♭ instrument</translation>
    </message>
    <message>
        <source>E♭管</source>
        <translation>E♭ instrument</translation>
    </message>
    <message>
        <source>F管</source>
        <translation>F instrument</translation>
    </message>
</context>
<context>
    <name>file_Treat</name>
    <message>
        <source>「%1」（%2 行目）</source>
        <translation>“%1” (line %2)</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>%1 の %2 行目に、文字として読めないバイトがあります。その箇所は「�」と表示されます（ほかの行はそのまま読みました）。</source>
        <translation>Some bytes in %1 cannot be read as characters: %2. They are shown as “�” (the other lines were read as they are).</translation>
    </message>
    <message>
        <source>%1 が見つかりません。</source>
        <translation>%1 was not found.</translation>
    </message>
    <message>
        <source>%1 を読み込めません（通常のファイルではないか、読み取りが許可されていません）。</source>
        <translation>Cannot read %1 (it is not a regular file, or reading it is not allowed).</translation>
    </message>
    <message>
        <source>%1 は大きすぎるため読み込みません（%2 MB まで）。</source>
        <translation>%1 is too large to be read (at most %2 MB).</translation>
    </message>
    <message>
        <source>%1 の %2 行目にコンマ（,）がありません。この行から先が読めないため、一覧は空になります。
「%3」</source>
        <translation>%1, line %2 has no comma (,). Nothing from this line on can be read, so the list is empty.
“%3”</translation>
    </message>
    <message>
        <source>%1 の %2 行目: 最初の「$」行より前に本文があります。</source>
        <translation>%1, line %2: there are notes before the first “$” line.</translation>
    </message>
    <message>
        <source>%1 の %2 行目: ひとつのフレーズの本文が %3 行を超えています。</source>
        <translation>%1, line %2: a phrase has more than %3 lines.</translation>
    </message>
</context>
<context>
    <name>file_read</name>
    <message>
        <source>%1 が見つかりません。</source>
        <translation>%1 was not found.</translation>
    </message>
    <message>
        <source>%1 は通常のファイルではないため読み込みません（フォルダー、FIFO、デバイスなど）。</source>
        <translation>%1 is not a regular file (a folder, FIFO, device or the like), so it is not read.</translation>
    </message>
    <message>
        <source>%1 を読み込めません: %2</source>
        <translation>Cannot read %1: %2</translation>
    </message>
    <message>
        <source>%1 は大きすぎるため読み込みません（%2 %3 まで）。</source>
        <translation>%1 is too large to be read (at most %2 %3).</translation>
    </message>
</context>
<context>
    <name>frmColset</name>
    <message>
        <source>円の色</source>
        <translation>Circle colour</translation>
    </message>
    <message>
        <source>多角形の色</source>
        <translation>Polygon colour</translation>
    </message>
    <message>
        <source>ルートの色</source>
        <translation>Root colour</translation>
    </message>
    <message>
        <source>ANS</source>
        <translation>Pattern notes</translation>
    </message>
    <message>
        <source>ひく音</source>
        <translation>Note played</translation>
    </message>
    <message>
        <source>キーボードエントリー</source>
        <translation>Keyboard entry</translation>
    </message>
    <message>
        <source>キーボードヒット</source>
        <translation>Keyboard hit</translation>
    </message>
    <message>
        <source>カラー設定</source>
        <translation>Colour settings</translation>
    </message>
    <message>
        <source>O K</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>フォルダを開けませんでした（開くアプリケーションがありません）。
</source>
        <translation>Could not open the folder (no application opens it).
</translation>
    </message>
    <message>
        <source>ファイルを開けませんでした（開くアプリケーションがありません）。
</source>
        <translation>Could not open the file (no application opens it).
</translation>
    </message>
    <message>
        <source>テンポは %1 から %2 までの数で入力してください。</source>
        <translation>Enter a tempo from %1 to %2.</translation>
    </message>
    <message>
        <source>マイク入力（%1）が使えなくなりました。</source>
        <translation>The microphone input (%1) is no longer available.</translation>
    </message>
    <message>
        <source>MIDI入力（%1）が使えなくなりました。</source>
        <translation>The MIDI input (%1) is no longer available.</translation>
    </message>
    <message>
        <source>学習別</source>
        <translation>Study</translation>
    </message>
    <message>
        <source>スケール、コード、ⅡⅤⅠなど学ぶものの種類</source>
        <translation>What to study: scales, chords, II-V-I and more</translation>
    </message>
    <message>
        <source>種類</source>
        <translation>Item</translation>
    </message>
    <message>
        <source>練習する項目</source>
        <translation>The item to practise</translation>
    </message>
    <message>
        <source>調子</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>ⅡⅤⅠパターンのメジャーかマイナーか</source>
        <translation>Major or minor II-V-I pattern</translation>
    </message>
    <message>
        <source>Ｖ７あしらい</source>
        <translation>V7 scale</translation>
    </message>
    <message>
        <source>ⅡⅤⅠパターンのⅤ７に使うスケール</source>
        <translation>The scale on the V7 of a II-V-I pattern</translation>
    </message>
    <message>
        <source>テンポの見出し</source>
        <translation>Tempo heading</translation>
    </message>
    <message>
        <source>テンポ（1分あたりの拍数）</source>
        <translation>Tempo (beats per minute)</translation>
    </message>
    <message>
        <source>50から300までの数を入力します</source>
        <translation>Enter a number from 50 to 300</translation>
    </message>
    <message>
        <source>テンポのつまみ</source>
        <translation>Tempo slider</translation>
    </message>
    <message>
        <source>上へ動かすと速くなります</source>
        <translation>Move it up to play faster</translation>
    </message>
    <message>
        <source>「繰り返す」にチェックすると、▶の演奏は■で止めるまで続きます。同じキーで指定の回数演奏するたびに、選んだ進行（半音＋・半音－・４度）で次のキーへ進みます（「そのまま」ならキーは変わりません）。チェックしないと、▶は今のキーで１回演奏して止まります。</source>
        <translation>With Repeat checked, ▶ plays until you stop it with ■. After the chosen number of passes in one key it moves to the next key by the order chosen (up a semitone, down a semitone, up a fourth; Same key keeps the key). Without Repeat, ▶ plays once in the current key and stops.</translation>
    </message>
    <message>
        <source>連続演奏を始める</source>
        <translation>Start playing</translation>
    </message>
    <message>
        <source>演奏を始めます（スペースキー）。</source>
        <translation>Starts playing (Space). </translation>
    </message>
    <message>
        <source>繰り返す</source>
        <translation>Repeat</translation>
    </message>
    <message>
        <source>演奏を止める</source>
        <translation>Stop playing</translation>
    </message>
    <message>
        <source>スペースキーでも止まります</source>
        <translation>Space stops it too</translation>
    </message>
    <message>
        <source>繰り返しの回数</source>
        <translation>Passes in each key</translation>
    </message>
    <message>
        <source>早くする割合（％UP）</source>
        <translation>Speed-up step (% up)</translation>
    </message>
    <message>
        <source>繰り返しのあいだにテンポを上げる割合</source>
        <translation>How much the tempo rises between passes</translation>
    </message>
    <message>
        <source>音出し</source>
        <translation>Play once</translation>
    </message>
    <message>
        <source>項目を1回演奏します</source>
        <translation>Plays the item once</translation>
    </message>
    <message>
        <source>半音&#x3000;＋</source>
        <translation>Semitone +</translation>
    </message>
    <message>
        <source>キーを半音上げます（P キー）</source>
        <translation>Raises the key a semitone (P)</translation>
    </message>
    <message>
        <source>半音&#x3000;－</source>
        <translation>Semitone −</translation>
    </message>
    <message>
        <source>キーを半音下げます（Q キー）</source>
        <translation>Lowers the key a semitone (Q)</translation>
    </message>
    <message>
        <source>CAL Bb（B♭の基準音）</source>
        <translation>CAL Bb (tuning note B♭)</translation>
    </message>
    <message>
        <source>CAL A（Aの基準音）</source>
        <translation>CAL A (tuning note A)</translation>
    </message>
    <message>
        <source>五線を大きく上へ</source>
        <translation>Staff far up</translation>
    </message>
    <message>
        <source>五線を少し上へ</source>
        <translation>Staff a little up</translation>
    </message>
    <message>
        <source>五線を少し下へ</source>
        <translation>Staff a little down</translation>
    </message>
    <message>
        <source>五線を大きく下へ</source>
        <translation>Staff far down</translation>
    </message>
    <message>
        <source>五線の位置をリセット</source>
        <translation>Reset the staff position</translation>
    </message>
    <message>
        <source>OK（五線位置調整を終える）</source>
        <translation>OK (end staff positioning)</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>設定を保存してプログラムを終わります</source>
        <translation>Saves the settings and quits</translation>
    </message>
    <message>
        <source>MIDIを使う</source>
        <translation>Use MIDI</translation>
    </message>
    <message>
        <source>ト音記号</source>
        <translation>Treble clef</translation>
    </message>
    <message>
        <source>選択とテンポ</source>
        <translation>Choice and tempo</translation>
    </message>
    <message>
        <source>単発の操作</source>
        <translation>Single actions</translation>
    </message>
    <message>
        <source>休符</source>
        <translation>rest</translation>
    </message>
    <message>
        <source>五線譜</source>
        <translation>Staff</translation>
    </message>
    <message>
        <source>%1 の楽譜。%2 音：%3</source>
        <translation>%1 on the staff. %2 notes: %3</translation>
    </message>
    <message>
        <source>サークル図</source>
        <translation>Circle</translation>
    </message>
    <message>
        <source>12の音名を並べた円。%1 の音：%2</source>
        <translation>The circle of the twelve notes. Notes of %1: %2</translation>
    </message>
    <message>
        <source>鍵盤</source>
        <translation>Keyboard</translation>
    </message>
    <message>
        <source>。%1 の音に印：%2</source>
        <translation>. Notes of %1 marked: %2</translation>
    </message>
    <message>
        <source>。押している鍵（MIDIノート）：</source>
        <translation>. Keys held (MIDI notes): </translation>
    </message>
    <message>
        <source>テンポ</source>
        <translation>Tempo</translation>
    </message>
    <message>
        <source>スイング</source>
        <translation>Swing</translation>
    </message>
    <message>
        <source>連続</source>
        <translation>Practice run</translation>
    </message>
    <message>
        <source>メトロノーム</source>
        <translation>Metronome</translation>
    </message>
    <message>
        <source>補足設定</source>
        <translation>Playback options</translation>
    </message>
    <message>
        <source>徐々に早くする</source>
        <translation>Speed up gradually</translation>
    </message>
    <message>
        <source>％UP</source>
        <translation>% up</translation>
    </message>
    <message>
        <source>五線位置調整</source>
        <translation>Staff position</translation>
    </message>
    <message>
        <source>弾くときは実音</source>
        <translation>Play at concert pitch</translation>
    </message>
    <message>
        <source>エントリー表示</source>
        <translation>Show entry marks</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>MIDIファイル書き出し…</source>
        <translation>Export MIDI file…</translation>
    </message>
    <message>
        <source>MusicXML書き出し…</source>
        <translation>Export MusicXML…</translation>
    </message>
    <message>
        <source>12キー練習シート(PDF)…</source>
        <translation>Twelve-key practice sheet (PDF)…</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>スコア表示</source>
        <translation>Show staff</translation>
    </message>
    <message>
        <source>ダイヤグラム表示</source>
        <translation>Show circle</translation>
    </message>
    <message>
        <source>鍵盤表示</source>
        <translation>Show keyboard</translation>
    </message>
    <message>
        <source>練習記録…</source>
        <translation>Practice log…</translation>
    </message>
    <message>
        <source>設定(&amp;S)</source>
        <translation>&amp;Settings</translation>
    </message>
    <message>
        <source>音設定</source>
        <translation>Sound settings</translation>
    </message>
    <message>
        <source>色設定</source>
        <translation>Colour settings</translation>
    </message>
    <message>
        <source>五線の位置調整</source>
        <translation>Staff position</translation>
    </message>
    <message>
        <source>マエストロフォントを使う</source>
        <translation>Use the Maestro font</translation>
    </message>
    <message>
        <source>聴き取り採点</source>
        <translation>Listen mode</translation>
    </message>
    <message>
        <source>演奏と一緒に弾く</source>
        <translation>Play along</translation>
    </message>
    <message>
        <source>演奏の後に答えて弾く</source>
        <translation>Answer after each pass</translation>
    </message>
    <message>
        <source>オクターブ違いも正解にする</source>
        <translation>Accept notes in any octave</translation>
    </message>
    <message>
        <source>早い・遅いとするずれ…</source>
        <translation>Early/late tolerance…</translation>
    </message>
    <message>
        <source>言語</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>システムの言語に合わせる</source>
        <translation>As the system</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>ヘルプ</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>ショートカット説明</source>
        <translation>Keyboard shortcuts</translation>
    </message>
    <message>
        <source>バージョン情報</source>
        <translation>About VORMINA</translation>
    </message>
    <message>
        <source>言語の設定を保存できませんでした。
%1</source>
        <translation>Could not save the language setting.
%1</translation>
    </message>
    <message>
        <source> 回</source>
        <translation> ×</translation>
    </message>
    <message>
        <source>合っている音がこれより早い・遅いときは △ で示します（ミリ秒）</source>
        <translation>A right note earlier or later than this is marked △ (milliseconds)</translation>
    </message>
    <message>
        <source>早い・遅いとするずれ（%1 ms）…</source>
        <translation>Early/late tolerance (%1 ms)…</translation>
    </message>
    <message>
        <source>聴き取り採点（%1）</source>
        <translation>Listen mode (%1)</translation>
    </message>
    <message>
        <source>正解 %1 / %2</source>
        <translation>Correct %1 / %2</translation>
    </message>
    <message>
        <source>音違い %1&#x3000;抜け %2&#x3000;余分 %3</source>
        <translation>Wrong %1  Missed %2  Extra %3</translation>
    </message>
    <message>
        <source>平均 %1&#x3000;最大 %2</source>
        <translation>Mean %1  Max %2</translation>
    </message>
    <message>
        <source>未採点 %1</source>
        <translation>Not judged %1</translation>
    </message>
    <message>
        <source>12キーの採点</source>
        <translation>Scores in 12 keys</translation>
    </message>
    <message>
        <source>キーごとの聴き取り採点</source>
        <translation>Listen mode scores by key</translation>
    </message>
    <message>
        <source>キー</source>
        <translation>Key</translation>
    </message>
    <message>
        <source>正解</source>
        <translation>Correct</translation>
    </message>
    <message>
        <source>平均</source>
        <translation>Mean</translation>
    </message>
    <message>
        <source>平均のずれ</source>
        <translation>Mean offset</translation>
    </message>
    <message>
        <source>最大</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>最大のずれ</source>
        <translation>Max offset</translation>
    </message>
    <message>
        <source>練習記録を書き込めませんでした。
%1
（%2）</source>
        <translation>Could not write the practice log.
%1
(%2)</translation>
    </message>
    <message>
        <source>&#x3000;&#x3000;終了してよろしいですか？&#x3000;&#x3000;</source>
        <translation>  Quit VORMINA?  </translation>
    </message>
    <message>
        <source> スケール</source>
        <translation> Scales</translation>
    </message>
    <message>
        <source> コード</source>
        <translation> Chords</translation>
    </message>
    <message>
        <source> ⅡⅤⅠﾊﾟﾀｰﾝ</source>
        <translation> II-V-I patterns</translation>
    </message>
    <message>
        <source> ⅡⅤⅠｸﾘｼｪ</source>
        <translation> II-V-I phrases</translation>
    </message>
    <message>
        <source> その他-1</source>
        <translation> Other 1</translation>
    </message>
    <message>
        <source> その他-2</source>
        <translation> Other 2</translation>
    </message>
    <message>
        <source> メジャー</source>
        <translation> Major</translation>
    </message>
    <message>
        <source> マイナー</source>
        <translation> Minor</translation>
    </message>
    <message>
        <source> ミクソ</source>
        <translation> Mixolydian</translation>
    </message>
    <message>
        <source> コンデミ</source>
        <translation> Half-whole dim.</translation>
    </message>
    <message>
        <source> オルタード</source>
        <translation> Altered</translation>
    </message>
    <message>
        <source> ホールトーン</source>
        <translation> Whole tone</translation>
    </message>
    <message>
        <source>半音＋進行</source>
        <translation>Up ½ step</translation>
    </message>
    <message>
        <source>半音－進行</source>
        <translation>Down ½ step</translation>
    </message>
    <message>
        <source>４度進行</source>
        <translation>Up a 4th</translation>
    </message>
    <message>
        <source>そのまま</source>
        <translation>Same key</translation>
    </message>
    <message>
        <source>リセット</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>スケール設定ファイル編集</source>
        <translation>Edit the scales file</translation>
    </message>
    <message>
        <source>コード設定ファイル編集</source>
        <translation>Edit the chords file</translation>
    </message>
    <message>
        <source>ⅡⅤパターン設定ファイル編集</source>
        <translation>Edit the II-V patterns file</translation>
    </message>
    <message>
        <source>ⅡⅤリック設定ファイル編集</source>
        <translation>Edit the II-V phrases file</translation>
    </message>
    <message>
        <source>その他1ファイル編集</source>
        <translation>Edit the Other 1 file</translation>
    </message>
    <message>
        <source>その他2ファイル編集</source>
        <translation>Edit the Other 2 file</translation>
    </message>
    <message>
        <source>設定ファイル編集</source>
        <translation>Open the material folder</translation>
    </message>
    <message>
        <source>フォルダを開けませんでした。
</source>
        <translation>Could not open the folder.
</translation>
    </message>
    <message>
        <source>ヘルプファイルが見つかりません。
</source>
        <translation>The help file was not found.
</translation>
    </message>
    <message>
        <source>ヘルプを表示できませんでした。
PDFを開くアプリケーションがありません。マニュアルはここにあります：
</source>
        <translation>Could not show the help.
No application opens PDF files. The manual is here:
</translation>
    </message>
    <message>
        <source>Ver1.1.2&#x3000; 2009.01.12

ＶＯＲＭＩＮＡ&#x3000;ジャズ・アドリブ練習ソフト（Qt %1 版）</source>
        <translation>Ver1.1.2   2009.01.12

VORMINA  jazz improvisation trainer (Qt %1 edition)</translation>
    </message>
    <message>
        <source>MIDIファイル (*.mid)</source>
        <translation>MIDI files (*.mid)</translation>
    </message>
    <message>
        <source>書き出しました。
</source>
        <translation>Exported.
</translation>
    </message>
    <message>
        <source>ファイルを開く</source>
        <translation>Open the file</translation>
    </message>
    <message>
        <source>フォルダーを開く</source>
        <translation>Open the folder</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>フォルダーを開けませんでした。
</source>
        <translation>Could not open the folder.
</translation>
    </message>
    <message>
        <source>書き出せませんでした。
%1
（%2）</source>
        <translation>Could not export.
%1
(%2)</translation>
    </message>
    <message>
        <source>ＶＯＲＭＩＮＡ&#x3000;   </source>
        <translation>  ＶＯＲＭＩＮＡ</translation>
    </message>
</context>
<context>
    <name>jack_in</name>
    <message>
        <source>JACK の入力（%1）を開けません: %2</source>
        <translation>Cannot open the JACK input (%1): %2</translation>
    </message>
    <message>
        <source>JACK サーバーが動いていません</source>
        <translation>the JACK server is not running</translation>
    </message>
    <message>
        <source>その入力はありません</source>
        <translation>there is no such input</translation>
    </message>
    <message>
        <source>入力ポートを作れません</source>
        <translation>cannot make an input port</translation>
    </message>
    <message>
        <source>JACK が応えません</source>
        <translation>JACK does not answer</translation>
    </message>
    <message>
        <source>つなげません</source>
        <translation>cannot connect</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>ＶＯＲＭＩＮＡは既に起動しています。</source>
        <translation>VORMINA is already running.</translation>
    </message>
</context>
<context>
    <name>material_check</name>
    <message>
        <source>%1 の %2 行目「%3」: </source>
        <translation>%1, line %2 “%3”: </translation>
    </message>
    <message>
        <source>一覧に出せるのは %1 項目までです。この行から先は読まれず、一覧に出ません。</source>
        <translation>The list holds at most %1 items. From this line on nothing is read or listed.</translation>
    </message>
    <message>
        <source>ステップ「%1」は 1〜4・H・W のどれでもないため、前のステップと同じ幅として読まれます。</source>
        <translation>The step “%1” is none of 1–4, H, W, so it is read as the same size as the step before.</translation>
    </message>
    <message>
        <source>音名（C〜B）も休符（R）もありません。</source>
        <translation>There is neither a note name (C–B) nor a rest (R).</translation>
    </message>
    <message>
        <source>音の長さ（2〜7、3連符は 3T〜5T）が読めないため、この音は長さがなく、鳴らず表示もされません（後ろの小節線がずれます）。</source>
        <translation>The note&apos;s length (2–7, triplets 3T–5T) cannot be read, so the note has no length and is neither played nor shown (the bar lines after it move).</translation>
    </message>
    <message>
        <source>「%1」は読まれずに無視されます。</source>
        <translation>“%1” is not read and is ignored.</translation>
    </message>
    <message>
        <source>一覧に出せるのは %1 フレーズまでです。この行から先は読まれず、一覧に出ません。</source>
        <translation>The list holds at most %1 phrases. From this line on nothing is read or listed.</translation>
    </message>
    <message>
        <source>%1 の %2 行目「$%3」: </source>
        <translation>%1, line %2 “$%3”: </translation>
    </message>
    <message>
        <source>音符が２つ以上ないため、表示も演奏もできません。</source>
        <translation>It has fewer than two notes, so it can be neither shown nor played.</translation>
    </message>
</context>
<context>
    <name>midi1</name>
    <message>
        <source>MIDIデバイスオープンに失敗しました</source>
        <translation>Could not open the MIDI device</translation>
    </message>
</context>
<context>
    <name>musicxml</name>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
</context>
<context>
    <name>phrase</name>
    <message>
        <source>ファイルの内容が変です。修正してください</source>
        <translation>The file&apos;s contents are wrong. Please correct them.</translation>
    </message>
</context>
<context>
    <name>practice_log</name>
    <message>
        <source>通常のファイルではありません（FIFO やデバイスには記録しません）</source>
        <translation>it is not a regular file (nothing is logged to a FIFO or a device)</translation>
    </message>
</context>
<context>
    <name>sample</name>
    <message>
        <source>&#x3000;[ P,p ]:  半音上へシフト</source>
        <translation>  [ P,p ]:  Shift up a semitone</translation>
    </message>
    <message>
        <source>&#x3000;[ Q,q ]:  半音下へシフト</source>
        <translation>  [ Q,q ]:  Shift down a semitone</translation>
    </message>
    <message>
        <source>&#x3000;[ F,f ]:  ４度上へシフト</source>
        <translation>  [ F,f ]:  Shift up a fourth</translation>
    </message>
    <message>
        <source>&#x3000;[ U,u ]:&#x3000;テンポＵＰ</source>
        <translation>  [ U,u ]:  Tempo up</translation>
    </message>
    <message>
        <source>&#x3000;[ D,d ]:&#x3000;テンポＤＯＷＮ</source>
        <translation>  [ D,d ]:  Tempo down</translation>
    </message>
    <message>
        <source>&#x3000;[ M,m ]:&#x3000;メトロノーム</source>
        <translation>  [ M,m ]:  Metronome</translation>
    </message>
    <message>
        <source>&#x3000;[ S,s ]:  音出</source>
        <translation>  [ S,s ]:  Play once</translation>
    </message>
    <message>
        <source>  ショートカットの説明&#x3000;</source>
        <translation>  Keyboard shortcuts</translation>
    </message>
    <message>
        <source>ショートカット説明</source>
        <translation>Keyboard shortcuts</translation>
    </message>
    <message>
        <source>戻る</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>&#x3000;[Space]:  Play or Stop</source>
        <translation>  [Space]:  Play or Stop</translation>
    </message>
</context>
<context>
    <name>score</name>
    <message>
        <source>&#x3000;クリシェデータがありません！！&#x3000;</source>
        <translation>  No phrase data!  </translation>
    </message>
</context>
<context>
    <name>settei</name>
    <message>
        <source>アコべ </source>
        <translation>Acoustic Bs</translation>
    </message>
    <message>
        <source>スネア</source>
        <translation>Snare</translation>
    </message>
    <message>
        <source>手打ち</source>
        <translation>Hand Clap</translation>
    </message>
    <message>
        <source>Lowトム</source>
        <translation>Low Tom</translation>
    </message>
    <message>
        <source>Midトム</source>
        <translation>Mid Tom</translation>
    </message>
    <message>
        <source>Hiトム</source>
        <translation>Hi Tom</translation>
    </message>
    <message>
        <source>ライドシンバル</source>
        <translation>Ride Cymbal</translation>
    </message>
    <message>
        <source>タンバリン</source>
        <translation>Tambourine</translation>
    </message>
    <message>
        <source>カウベル</source>
        <translation>Cowbell</translation>
    </message>
    <message>
        <source>アゴゴ</source>
        <translation>Agogo</translation>
    </message>
    <message>
        <source>サウンド設定</source>
        <translation>Sound settings</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>メロディ</source>
        <translation>Melody</translation>
    </message>
    <message>
        <source>伴奏</source>
        <translation>Accompaniment</translation>
    </message>
    <message>
        <source>ベース</source>
        <translation>Bass</translation>
    </message>
    <message>
        <source>クリック</source>
        <translation>Click</translation>
    </message>
    <message>
        <source>楽器番号</source>
        <translation>Instrument</translation>
    </message>
    <message>
        <source>テスト</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>音&#x3000;&#x3000;量</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>スイングレベル</source>
        <translation>Swing level</translation>
    </message>
    <message>
        <source>軽め</source>
        <translation>Light</translation>
    </message>
    <message>
        <source>標準</source>
        <translation>Medium</translation>
    </message>
    <message>
        <source>重め</source>
        <translation>Heavy</translation>
    </message>
    <message>
        <source>ピッチ調整</source>
        <translation>Transpose</translation>
    </message>
    <message>
        <source>（&#x3000;Bｂ楽器は -2 、 Eb楽器は 3 とします&#x3000;)</source>
        <translation>(B♭ instruments: -2, E♭ instruments: 3)</translation>
    </message>
    <message>
        <source>音程基準値：C=</source>
        <translation>Base pitch: C=</translation>
    </message>
    <message>
        <source>テンポ(  /分)</source>
        <translation>Tempo (bpm)</translation>
    </message>
    <message>
        <source>ルート、スケール変更時に音出しする</source>
        <translation>Play when the root or scale changes</translation>
    </message>
    <message>
        <source>音域を制限する</source>
        <translation>Limit the range</translation>
    </message>
    <message>
        <source>高音</source>
        <translation>High</translation>
    </message>
    <message>
        <source>低音</source>
        <translation>Low</translation>
    </message>
    <message>
        <source>出力</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>出力先</source>
        <translation>Output device</translation>
    </message>
    <message>
        <source>SoundFont選択…</source>
        <translation>Choose SoundFont…</translation>
    </message>
    <message>
        <source>標準に戻す</source>
        <translation>Use default</translation>
    </message>
    <message>
        <source>SoundFontを標準に戻す</source>
        <translation>Use the default SoundFont</translation>
    </message>
    <message>
        <source>入力</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>入力（MIDIのポートまたはマイク）</source>
        <translation>Input (MIDI port or microphone)</translation>
    </message>
    <message>
        <source>入力の遅れ補正</source>
        <translation>Input latency</translation>
    </message>
    <message>
        <source>入力の遅れ補正（ミリ秒）</source>
        <translation>Input latency correction (ms)</translation>
    </message>
    <message>
        <source>マイクの音量</source>
        <translation>Microphone level</translation>
    </message>
    <message>
        <source>マイクに聞こえる音</source>
        <translation>Note the microphone hears</translation>
    </message>
    <message>
        <source>入力の遅れを測る</source>
        <translation>Measure latency</translation>
    </message>
    <message>
        <source>4 拍の準備のあと、クリックに合わせて 8 拍演奏してください。遅れの中央値を入力の遅れ補正にします。</source>
        <translation>After a 4-beat count-in, play 8 beats along with the click. The median lateness becomes the input latency correction.</translation>
    </message>
    <message>
        <source>%1（見つかりません）</source>
        <translation>%1 (not found)</translation>
    </message>
    <message>
        <source>出力の遅れ：—</source>
        <translation>Output latency: —</translation>
    </message>
    <message>
        <source>出力の遅れ：約 %1 ms（音切れ %2 回のため広げました）</source>
        <translation>Output latency: ~%1 ms (raised after %2 dropouts)</translation>
    </message>
    <message>
        <source>出力の遅れ：約 %1 ms</source>
        <translation>Output latency: ~%1 ms</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>マイク：%1</source>
        <translation>Mic: %1</translation>
    </message>
    <message>
        <source>今の音：—</source>
        <translation>Heard: —</translation>
    </message>
    <message>
        <source>今の音：%1 %2 セント</source>
        <translation>Heard: %1 %2 cents</translation>
    </message>
    <message>
        <source>今の音：（マイクを選ぶと表示）</source>
        <translation>Heard: (choose a mic)</translation>
    </message>
    <message>
        <source>4 拍の準備のあと 8 拍…</source>
        <translation>Count-in 4, then 8…</translation>
    </message>
    <message>
        <source>測れませんでした</source>
        <translation>Could not measure</translation>
    </message>
    <message>
        <source>クリックに合わせた音が 8 拍のうち 6 拍に足りませんでした。入力を確かめて、もう一度測ってください。</source>
        <translation>Fewer than 6 of the 8 clicks had a note played with them. Check the input and measure again.</translation>
    </message>
    <message>
        <source>遅れ %1 ms（%2/%3 拍）</source>
        <translation>Late %1 ms (%2/%3 beats)</translation>
    </message>
    <message>
        <source>SoundFont：%1%2</source>
        <translation>SoundFont: %1%2</translation>
    </message>
    <message>
        <source>見つかりません</source>
        <translation>not found</translation>
    </message>
    <message>
        <source>（標準）</source>
        <translation> (default)</translation>
    </message>
    <message>
        <source>SoundFont選択</source>
        <translation>Choose SoundFont</translation>
    </message>
    <message>
        <source>%1は %2 から %3 までの数で入力してください。</source>
        <translation>%1: enter a number from %2 to %3.</translation>
    </message>
    <message>
        <source>音程基準値</source>
        <translation>Base pitch</translation>
    </message>
    <message>
        <source>テンポ</source>
        <translation>Tempo</translation>
    </message>
</context>
<context>
    <name>settings</name>
    <message>
        <source>予期しないエラー発生</source>
        <translation>An unexpected error occurred</translation>
    </message>
</context>
<context>
    <name>sheet</name>
    <message>
        <source>12キー練習シート&#x3000;</source>
        <translation>Twelve-key practice sheet  </translation>
    </message>
    <message>
        <source>&#x3000;（%1用）</source>
        <translation>  (for %1)</translation>
    </message>
    <message>
        <source>テンポ %1&#x3000;&#x3000;%2 / %3 ページ&#x3000;&#x3000;VORMINA</source>
        <translation>Tempo %1    page %2 / %3    VORMINA</translation>
    </message>
    <message>
        <source>%1. キー %2</source>
        <translation>%1. Key %2</translation>
    </message>
    <message>
        <source>（実音 %1）</source>
        <translation> (concert %1)</translation>
    </message>
</context>
<context>
    <name>wav_reader</name>
    <message>
        <source>WAV ファイルではありません</source>
        <translation>not a WAV file</translation>
    </message>
    <message>
        <source>WAV ファイルに fmt チャンクがありません</source>
        <translation>the WAV file has no fmt chunk</translation>
    </message>
    <message>
        <source>WAV ファイルに data チャンクがありません</source>
        <translation>the WAV file has no data chunk</translation>
    </message>
    <message>
        <source>この WAV の形式（形式 %1、%2 ビット）は読めません</source>
        <translation>cannot read this WAV format (format %1, %2 bits)</translation>
    </message>
    <message>
        <source>WAV の見出しが壊れています（%1 チャンネル、%2 Hz）</source>
        <translation>the WAV header is broken (%1 channels, %2 Hz)</translation>
    </message>
</context>
</TS>
