// The language of a run: the program's own texts in English through the translation
// compiled in, and Qt's own texts (the standard buttons of message boxes, the colour and file
// dialogs) in the same language as the rest of the program.
#pragma once

#include <QTranslator>
#include <memory>
#include <vector>

#include "core/language.h"

namespace translations {

// The translations of one language, installed into the application while this object lives,
// and the language made the run's (language::Current). For English: the program's English
// texts and Qt's English ones; for Japanese: Qt's Japanese ones (the program's own texts are
// Japanese). A translation that cannot be loaded is left out: its texts stay as they are.
// The language of this user's runs: the choice kept per user in 設定 > 言語, else the
// system's locale (Japanese for ja_*).
language::Language ForThisUser();

class Installed {
 public:
  explicit Installed(language::Language language);
  ~Installed();
  Installed(const Installed&) = delete;
  Installed& operator=(const Installed&) = delete;

  // Whether every translation of the language was loaded.
  bool complete() const { return complete_; }

 private:
  language::Language previous_;
  std::vector<std::unique_ptr<QTranslator>> translators_;
  bool complete_ = true;
};

}  // namespace translations
