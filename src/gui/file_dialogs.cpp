#include "gui/file_dialogs.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QScreen>
#include <QTreeView>
#include <algorithm>

#include "gui/text.h"
#include "tables/data_dir.h"

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

QString AskCsvFile(QWidget* parent, const QString& title, const char* objectName,
                   const QString& proposed) {
  QFileDialog dialog(parent, title);
  dialog.setObjectName(QString::fromLatin1(objectName));
  PrepareFileDialog(dialog);
  const bool save = !proposed.isEmpty();
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilter(QString::fromUtf8("CSVファイル (*.csv *.CSV);;すべてのファイル (*)"));
  dialog.setDirectory(U(DataDirectory()));
  if (save) {
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(proposed);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

}  // namespace eiyou
