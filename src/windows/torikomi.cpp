#include "torikomi.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <ctime>

#include "gui/controls.h"
#include "gui/file_dialogs.h"
#include "gui/messages.h"
#include "gui/text.h"
#include "import/food_import.h"
#include "import/table_install.h"

using eiyou::MakeButton;
using eiyou::U;

ImportDialog::ImportDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("ImportDialog");
  setWindowTitle(U("食品成分表の取込"));
  resize(640, 520);

  auto* intro = new QLabel(
      U("文部科学省「日本食品標準成分表」の Excel ファイル（.xlsx）か、そのタブ区切り・"
        "コンマ区切りのテキストを選んで「読み取り」を押してください。内容を確かめてから"
        "「取り込む」を押すと、今の食品成分表を控えに残して入れ替え、保存した献立の食品を"
        "新しい表に合わせます。"),
      this);
  intro->setObjectName("IntroLabel");
  intro->setWordWrap(true);
  intro->setGeometry(16, 12, 608, 64);

  fileEdit_ = eiyou::MakeEdit(this, "FileEdit", QRect(16, 84, 420, 28));
  fileEdit_->setAccessibleName(U("取り込むファイル"));
  fileEdit_->setPlaceholderText(U("ファイルを選んでください"));
  MakeButton(this, "BrowseButton", "参照…", "取り込むファイルを選びます", QRect(444, 82, 84, 32),
             this, &ImportDialog::BrowseClick);
  readButton_ = MakeButton(this, "ReadButton", "読み取り", "ファイルを読んで内容を表示します",
                           QRect(536, 82, 88, 32), this, &ImportDialog::ReadClick);

  progress_ = new QProgressBar(this);
  progress_->setObjectName("ProgressBar");
  progress_->setAccessibleName(U("読み取りの進み具合"));
  progress_->setRange(0, 1000);
  progress_->setValue(0);
  progress_->setGeometry(16, 124, 608, 20);

  summary_ = new QPlainTextEdit(this);
  summary_->setObjectName("SummaryView");
  summary_->setAccessibleName(U("読み取った内容"));
  summary_->setReadOnly(true);
  summary_->setGeometry(16, 154, 608, 306);

  importButton_ = MakeButton(this, "ImportButton", "取り込む", "読み取った表に入れ替えます",
                             QRect(420, 472, 100, 34), this, &ImportDialog::ImportClick);
  importButton_->setEnabled(false);
  MakeButton(this, "CloseButton", "閉じる", "取り込みを終わります", QRect(528, 472, 96, 34), this,
             &ImportDialog::CloseClick);
}

ImportDialog::~ImportDialog() = default;

void ImportDialog::Open(QWidget* parent) {
  ImportDialog dialog(parent);
  dialog.exec();
}

void ImportDialog::CloseClick() { reject(); }

void ImportDialog::ShowLines(const QStringList& lines) { summary_->setPlainText(lines.join('\n')); }

void ImportDialog::BrowseClick() {
  QFileDialog dialog(this, U("食品成分表のファイル"), fileEdit_->text(),
                     U("食品成分表 (*.xlsx *.tsv *.csv *.txt);;すべてのファイル (*)"));
  dialog.setObjectName(QStringLiteral("FoodTableFileDialog"));
  eiyou::PrepareFileDialog(dialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  fileEdit_->setText(dialog.selectedFiles().first());
}

void ImportDialog::ReadClick() {
  read_.reset();
  importButton_->setEnabled(false);
  progress_->setValue(0);
  if (fileEdit_->text().trimmed().isEmpty()) {
    eiyou::ShowMessage(this, U("取り込むファイルを選んでください！"));
    return;
  }
  readButton_->setEnabled(false);
  // The reading takes a moment on a large workbook: the bar moves, the window
  // repaints, and nothing can be pressed meanwhile.
  auto result = std::make_unique<eiyou::FoodImport>(eiyou::ImportFoodComposition(
      eiyou::Utf8Of(fileEdit_->text()), [this](double fraction) {
        progress_->setValue(static_cast<int>(fraction * 1000));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return true;
      }));
  readButton_->setEnabled(true);
  progress_->setValue(result->ok ? 1000 : 0);
  QStringList lines;
  for (const std::string& line : eiyou::ImportSummaryLines(*result)) lines << U(line);
  ShowLines(lines);
  if (result->ok && !result->foods.empty()) {
    read_ = std::move(result);
    importButton_->setEnabled(true);
  }
}

void ImportDialog::ImportClick() {
  if (!read_) return;
  if (!eiyou::Confirm(this,
                      U("読み取った %1 食品の表に入れ替えますか？\n今の食品成分表、献立ファイルと"
                        "日別献立は日付付きの控えとして残します。")
                          .arg(read_->foods.size()),
                      "入れ替える", "やめる"))
    return;

  const eiyou::TableInstall install =
      eiyou::InstallFoodTableInDataFolder(read_->foods, std::time(nullptr), read_->edition,
                                          read_->componentIdentifiers);
  QStringList lines;
  for (const std::string& line : install.dishReport) lines << U(line);
  for (const std::string& line : install.planReport) lines << U(line);
  if (!install.ok) {
    // The message names the backups the failure left, and what it left as it was.
    lines.prepend(U("取り込めませんでした: " + install.error));
    ShowLines(lines);
    eiyou::ShowError(this, lines.join('\n'));
    return;
  }
  QStringList backups;
  for (const auto& [what, path] : {std::pair{"元の食品成分表の控え: ", &install.backupPath},
                                   {"元の印の情報の控え: ", &install.marksBackupPath},
                                   {"元の成分の一覧の控え: ", &install.componentsBackupPath},
                                   {"元の版の記録の控え: ", &install.editionBackupPath},
                                   {"元の献立ファイルの控え: ", &install.dishBackupPath},
                                   {"元の日別献立の控え: ", &install.planBackupPath}})
    if (!path->empty()) backups << U(what + *path);
  lines = backups + lines;
  lines.prepend(U("食品成分表を入れ替えました（" + std::to_string(read_->foods.size()) +
                  " 食品）。次に表を読み込むときから新しい表が使われます。"));
  ShowLines(lines);
  importButton_->setEnabled(false);
  read_.reset();
  // The whole list stays in the window; the box tells the gist.
  constexpr qsizetype kShown = 12;
  QStringList gist = lines.mid(0, kShown);
  if (lines.size() > kShown)
    gist << U("ほか %1 行は画面の一覧をご覧ください。").arg(lines.size() - kShown);
  eiyou::ShowMessage(this, gist.join('\n'));
}
