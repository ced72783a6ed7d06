#include "core/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <utility>

#include "core/user_settings.h"

namespace translations {

language::Language ForThisUser() {
  return language::Chosen(user_settings::Open()->value(user_settings::kLanguage).toString(),
                          QLocale::system().name());
}

Installed::Installed(language::Language language) : previous_(language::Current()) {
  const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  // The program's English is compiled in (qt_add_lrelease and qt_add_resources put it under
  // :/i18n); Qt's own texts come from Qt's translations folder.
  const bool english = language == language::Language::English;
  const std::vector<std::pair<QString, QString>> files =
      english ? std::vector<std::pair<QString, QString>>{{QStringLiteral("vormina_en"),
                                                          QStringLiteral(":/i18n")},
                                                         {QStringLiteral("qtbase_en"), qtFolder}}
              : std::vector<std::pair<QString, QString>>{{QStringLiteral("qtbase_ja"), qtFolder}};
  for (const auto& [name, folder] : files) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(name, folder) || !QCoreApplication::installTranslator(translator.get())) {
      complete_ = false;
      continue;
    }
    translators_.push_back(std::move(translator));
  }
  language::SetCurrent(language);
}

Installed::~Installed() {
  for (const auto& translator : translators_) QCoreApplication::removeTranslator(translator.get());
  language::SetCurrent(previous_);
}

}  // namespace translations
