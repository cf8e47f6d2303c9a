#include "gui/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace eiyou {

bool InstallQtTranslations(QCoreApplication& app) {
  // Dates, sizes and day names in Qt's dialogs and calendars follow the
  // default locale: Japanese too. Numbers the program writes never use it.
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  // The windows are Japanese whatever the locale, so the catalogue is chosen
  // by name, not by QLocale::system(). qtbase holds the dialogs' texts.
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

}  // namespace eiyou
