// Qt's own dialogs (file, overwrite question, print, print preview) speak the
// program's language, Japanese, whatever the user's locale says.
#pragma once

class QCoreApplication;

namespace eiyou {

// Makes Japanese the default locale and loads Qt's Japanese catalogue from
// Qt's translations folder into `app`. False when the catalogue is not
// installed: Qt's dialogs then stay in English.
bool InstallQtTranslations(QCoreApplication& app);

}  // namespace eiyou
