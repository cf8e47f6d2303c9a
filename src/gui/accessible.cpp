#include "gui/accessible.h"

#include <QWidget>

namespace eiyou {

void NameControls(QWidget* window,
                  std::initializer_list<std::pair<const char*, const char*>> names) {
  for (const auto& [objectName, name] : names) {
    const QString key = QString::fromUtf8(objectName);
    QWidget* control = window->objectName() == key ? window : window->findChild<QWidget*>(key);
    if (control) control->setAccessibleName(QString::fromUtf8(name));
  }
}

}  // namespace eiyou
