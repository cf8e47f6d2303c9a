#pragma once

#include <QTest>
#include <QWidget>

template <class T>
T* Child(QWidget* parent, const char* name) {
  T* w = parent ? parent->findChild<T*>(QString::fromLatin1(name)) : nullptr;
  if (!w) qWarning("control %s not found", name);
  return w;
}
