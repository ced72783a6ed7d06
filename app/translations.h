// Qt's own texts in Japanese: the standard buttons of message boxes (はい, いいえ, キャンセル)
// and the colour dialog speak the language of the rest of the program.
#pragma once

class QCoreApplication;

namespace translations {

// Installs Qt's Japanese translation (qtbase_ja) into app, whatever the system's language.
// Returns false when the translation file is not installed; Qt's English texts remain.
bool InstallQtJapanese(QCoreApplication& app);

}  // namespace translations
