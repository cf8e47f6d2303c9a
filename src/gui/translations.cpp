#include "gui/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace eiyou {

bool InstallQtTranslations(QCoreApplication& app) {
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
