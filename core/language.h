// The language the program speaks: Japanese, its own, or English. Chosen once at start (from
// the per-user setting, else from the system's locale) and the same for the whole run: the
// installed translation, the manual the help menu opens and the material's item titles follow it.
#pragma once

#include <QString>
#include <optional>

namespace language {

enum class Language { Japanese, English };

// The language of this run; Japanese until SetCurrent is called.
Language Current();
void SetCurrent(Language language);

// The language a locale name picks: Japanese for "ja" and "ja_*", English for every other.
Language FromLocaleName(const QString& localeName);

// The per-user setting's code of a language ("ja", "en") and back; an empty or unknown code
// means "as the system" (nullopt).
QString Code(Language language);
std::optional<Language> FromCode(const QString& code);

// The language of a run: the user's choice when there is one, else the system's locale.
Language Chosen(const QString& userCode, const QString& systemLocaleName);

// A text with note, key and chord names ("Bb", "F#m7", "7b9", "C7(#11)") as the language of
// the run writes them: in English with the signs ♭ and ♯ (B♭, F♯m7, 7♭9), as English-language
// jazz books print them; in Japanese as the program has always written them. Only what is
// shown goes through it, never the names the program reads and compares.
QString WithSigns(const QString& text);
QString WithSigns(const QString& text, Language language);

}  // namespace language
