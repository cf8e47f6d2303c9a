#include "gui/file_dialogs.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QScreen>
#include <QTreeView>
#include <algorithm>

namespace eiyou {

void PrepareFileDialog(QFileDialog& dialog) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  QSize size(std::max(dialog.width(), 760), std::max(dialog.height(), 480));
  if (const QScreen* screen = dialog.screen())
    size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
  dialog.resize(size);

  auto* model = dialog.findChild<QFileSystemModel*>();
  auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  if (!model || !view) return;
  QObject::connect(model, &QFileSystemModel::directoryLoaded, view, [view] {
    for (int column = 1; column < view->header()->count(); ++column)
      view->resizeColumnToContents(column);
  });
}

}  // namespace eiyou
