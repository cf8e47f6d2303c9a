#include "settei.h"

#include <QApplication>
#include <QGuiApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

#include "gui/controls.h"
#include "gui/messages.h"
#include "gui/text.h"
#include "plans/store_location.h"
#include "plans/store_open.h"
#include "plans/store_transfer.h"

using eiyou::U;

namespace {

QLineEdit* Field(QWidget* parent, const char* name, const std::string& text, const char* hint) {
  auto* edit = new QLineEdit(U(text), parent);
  edit->setObjectName(name);
  edit->setToolTip(U(hint));
  return edit;
}

std::string Typed(const QLineEdit* edit) { return edit->text().toStdString(); }

// The server as the user knows it: "db1 / kondate".
bool SameServer(const eiyou::PgSettings& a, const eiyou::PgSettings& b) {
  return eiyou::WrittenServerSettings(a) == eiyou::WrittenServerSettings(b);
}

// What a move carries, as the questions name it.
constexpr const char* kMovedKinds =
    "献立の日、目標量セット、喫食グループと人数、単価、アレルゲンの確認、施設名とお知らせ、献立";

// The wait cursor for as long as a move runs.
struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

bool ServerSettingsWindow::Open(const std::string& dataDir, QWidget* parent) {
  ServerSettingsWindow window(dataDir, parent);
  return window.exec() == QDialog::Accepted;
}

ServerSettingsWindow::ServerSettingsWindow(std::string dataDir, QWidget* parent)
    : QDialog(parent), dataDir_(std::move(dataDir)) {
  setObjectName("ServerSettingsWindow");
  setWindowTitle(U("設定"));
  const eiyou::StoreLocation location = eiyou::ReadStoreLocation(dataDir_);
  fixed_ = location.from == eiyou::kServerEnvironmentName;
  const eiyou::PgSettings& s = location.settings;

  auto* where = new QGroupBox(U("データの保存先"), this);
  where->setObjectName("StoreChoiceGroup");
  FileChoice = new QRadioButton(U("このコンピューター（ファイル）"), where);
  FileChoice->setObjectName("FileChoice");
  FileChoice->setToolTip(U("このフォルダーの KONDATE/献立表.db に保存します（ひとりで使うとき）"));
  ServerChoice = new QRadioButton(U("共有サーバー（PostgreSQL）"), where);
  ServerChoice->setObjectName("ServerChoice");
  ServerChoice->setToolTip(U("施設の皆で使う PostgreSQL サーバーに保存します"));
  (location.server ? ServerChoice : FileChoice)->setChecked(true);

  HostEdit = Field(where, "HostEdit", s.host, "サーバーの名前または IP アドレス");
  PortEdit = Field(where, "PortEdit", s.port ? std::to_string(s.port) : std::string(),
                   "空欄なら 5432");
  PortEdit->setPlaceholderText(QStringLiteral("5432"));
  DatabaseEdit = Field(where, "DatabaseEdit", s.dbname, "サーバーの管理者が作ったデータベースの名前");
  UserEdit = Field(where, "UserEdit", s.user, "サーバーに接続する利用者の名前");
  ServiceEdit = Field(where, "ServiceEdit", s.service,
                      "サービスファイル（pg_service.conf）の項目名。使わなければ空欄");
  auto* fields = new QFormLayout;
  fields->addRow(U("ホスト"), HostEdit);
  fields->addRow(U("ポート"), PortEdit);
  fields->addRow(U("データベース"), DatabaseEdit);
  fields->addRow(U("ユーザー"), UserEdit);
  fields->addRow(U("サービス（任意）"), ServiceEdit);
  auto* passwordNote = new QLabel(
      U("パスワードはここには保存しません。~/.pgpass やサービスファイルに書いておくか、"
        "プログラムの起動時に尋ねられたときに入力してください（入力したパスワードは終了まで覚えておくだけです）。"),
      where);
  passwordNote->setObjectName("PasswordNote");
  passwordNote->setWordWrap(true);
  auto* inner = new QVBoxLayout(where);
  inner->addWidget(FileChoice);
  inner->addWidget(ServerChoice);
  inner->addLayout(fields);
  inner->addWidget(passwordNote);

  std::string source;
  if (fixed_)
    source.append("環境変数 ")
        .append(eiyou::kServerEnvironmentName)
        .append(" が保存先を決めているため、ここでは変更できません。変えるにはその環境変数を変えてください。");
  if (!location.error.empty()) source.append(source.empty() ? "" : "\n").append(location.error);
  SourceNote = new QLabel(U(source), this);
  SourceNote->setObjectName("SourceNote");
  SourceNote->setWordWrap(true);
  SourceNote->setVisible(!source.empty());

  auto* move = new QGroupBox(U("データの移動"), this);
  move->setObjectName("MoveGroup");
  auto* moveButtons = new QVBoxLayout(move);
  moveButtons->addWidget(eiyou::LayoutButton(
      move, "MoveToServerButton", "このフォルダーのデータをサーバーへ移す…",
      "このフォルダーの献立表ファイルと献立ファイルの中身を、空の共有サーバーへまとめて移します"));
  moveButtons->addWidget(eiyou::LayoutButton(
      move, "MoveFromServerButton", "サーバーのデータをこのフォルダーへ戻す…",
      "共有サーバーの中身を、このフォルダーの空の献立表ファイルと献立ファイルへまとめて戻します"));

  auto* buttons = new QHBoxLayout;
  QPushButton* test = eiyou::LayoutButton(this, "TestButton", "接続テスト",
                                          "入力した設定でサーバーに接続してみます");
  QPushButton* ok = eiyou::LayoutButton(this, "OkButton", "OK", "設定を保存して閉じます");
  QPushButton* cancel = eiyou::LayoutButton(this, "CancelButton", "キャンセル", "何も変えずに閉じます");
  buttons->addWidget(test);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  connect(test, &QPushButton::clicked, this, &ServerSettingsWindow::TestButtonClick);
  connect(ok, &QPushButton::clicked, this, &ServerSettingsWindow::OkButtonClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(FileChoice, &QRadioButton::toggled, this, &ServerSettingsWindow::ChoiceChange);
  connect(findChild<QPushButton*>("MoveToServerButton"), &QPushButton::clicked, this,
          &ServerSettingsWindow::MoveToServerButtonClick);
  connect(findChild<QPushButton*>("MoveFromServerButton"), &QPushButton::clicked, this,
          &ServerSettingsWindow::MoveFromServerButtonClick);
  for (QLineEdit* edit : {HostEdit, PortEdit, DatabaseEdit, UserEdit, ServiceEdit})
    connect(edit, &QLineEdit::textChanged, this, &ServerSettingsWindow::ChoiceChange);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(SourceNote);
  layout->addWidget(where);
  layout->addWidget(move);
  layout->addLayout(buttons);
  setMinimumWidth(460);
  ChoiceChange();
  FitScreen();
}

void ServerSettingsWindow::FitScreen() {
  const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  // The title bar and the frame, which the window system adds.
  const int frame = style()->pixelMetric(QStyle::PM_TitleBarHeight) + 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 8;
  const int room = screen->availableGeometry().height() - frame;
  if (sizeHint().height() <= room) return;
  // Too low a screen (a small laptop at twice the scale): the choices and
  // the moves scroll, the buttons below them stay in sight.
  auto* content = new QWidget;
  auto* inner = new QVBoxLayout(content);
  inner->setContentsMargins(0, 0, 0, 0);
  auto* outer = static_cast<QVBoxLayout*>(layout());
  while (outer->count() > 1) {
    QLayoutItem* item = outer->takeAt(0);
    if (QWidget* w = item->widget()) inner->addWidget(w);
    delete item;
  }
  auto* scroll = new QScrollArea(this);
  scroll->setObjectName("SettingsScroll");
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setWidget(content);
  outer->insertWidget(0, scroll, 1);
  scroll->setFocusPolicy(Qt::NoFocus);
  // Tab keeps the order of the dialog's face (moving the controls put them
  // last) and brings the control it reaches into view.
  QWidget* order[] = {FileChoice, ServerChoice, HostEdit, PortEdit, DatabaseEdit, UserEdit, ServiceEdit,
                      findChild<QPushButton*>("MoveToServerButton"),
                      findChild<QPushButton*>("MoveFromServerButton"), findChild<QPushButton*>("TestButton"),
                      findChild<QPushButton*>("OkButton"), findChild<QPushButton*>("CancelButton")};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  connect(qApp, &QApplication::focusChanged, scroll, [scroll, content](QWidget*, QWidget* now) {
    if (now && content->isAncestorOf(now)) scroll->ensureWidgetVisible(now, 8, 8);
  });
  resize(std::max(width(), content->sizeHint().width() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 24),
         room);
}

void ServerSettingsWindow::ChoiceChange() {
  FileChoice->setEnabled(!fixed_);
  ServerChoice->setEnabled(!fixed_);
  const bool editable = !fixed_ && ServerChoice->isChecked();
  for (QLineEdit* edit : {HostEdit, PortEdit, DatabaseEdit, UserEdit, ServiceEdit}) {
    edit->setEnabled(ServerChoice->isChecked());
    edit->setReadOnly(!editable);
  }
  findChild<QPushButton*>("TestButton")->setEnabled(ServerChoice->isChecked());
  // A move needs a server to go to: the fields filled as they must be.
  eiyou::PgSettings settings;
  std::string error;
  const bool filled =
      ServerChoice->isChecked() &&
      eiyou::ServerSettingsFromFields(Typed(HostEdit), Typed(PortEdit), Typed(DatabaseEdit),
                                      Typed(UserEdit), Typed(ServiceEdit), settings, error);
  findChild<QPushButton*>("MoveToServerButton")->setEnabled(filled);
  findChild<QPushButton*>("MoveFromServerButton")->setEnabled(filled);
}

bool ServerSettingsWindow::ReadFields(eiyou::PgSettings& settings) {
  std::string error;
  if (eiyou::ServerSettingsFromFields(Typed(HostEdit), Typed(PortEdit), Typed(DatabaseEdit),
                                      Typed(UserEdit), Typed(ServiceEdit), settings, error))
    return true;
  eiyou::ShowMessage(this, U(error));
  return false;
}

bool ServerSettingsWindow::AskPassword(QWidget* parent, const eiyou::PgSettings& settings) {
  QInputDialog ask(parent);
  ask.setObjectName("ServerPasswordDialog");
  ask.setWindowTitle(U("サーバーのパスワード"));
  std::string who = settings.user.empty() ? std::string("この利用者") : "ユーザー「" + settings.user + "」";
  std::string server = settings.host.empty() ? settings.service : settings.host;
  ask.setLabelText(U("共有サーバー" + (server.empty() ? std::string() : "「" + server + "」") + "の" + who +
                     "のパスワードを入力してください。\n"
                     "パスワードはこのプログラムを終了するまで覚えておくだけで、どこにも保存しません。"));
  ask.setTextEchoMode(QLineEdit::Password);
  ask.setOkButtonText(U("OK"));
  ask.setCancelButtonText(U("キャンセル"));
  if (ask.exec() != QDialog::Accepted || ask.textValue().isEmpty()) return false;
  eiyou::RememberServerPassword(ask.textValue().toStdString());
  return true;
}

eiyou::ServerCheck ServerSettingsWindow::Check(eiyou::PgSettings& settings) {
  settings.password = eiyou::RememberedServerPassword();
  eiyou::ServerCheck check = eiyou::CheckServer(settings);
  if (check.passwordRefused) eiyou::RememberServerPassword({});
  if ((check.needsPassword || check.passwordRefused) && AskPassword(this, settings)) {
    settings.password = eiyou::RememberedServerPassword();
    check = eiyou::CheckServer(settings);
    if (check.passwordRefused) eiyou::RememberServerPassword({});
  }
  return check;
}

void ServerSettingsWindow::TestButtonClick() {
  eiyou::PgSettings settings;
  if (!ReadFields(settings)) return;
  const eiyou::ServerCheck check = Check(settings);
  if (check.connected)
    eiyou::ShowMessage(this, U(check.message));
  else
    eiyou::ShowError(this, U(check.message));
}

void ServerSettingsWindow::OkButtonClick() {
  if (fixed_) return accept();  // nothing here may change
  eiyou::PgSettings settings;
  const bool server = ServerChoice->isChecked();
  if (server && !ReadFields(settings)) return;
  std::string error;
  if (!eiyou::WriteStoreLocation(dataDir_, server ? &settings : nullptr, error))
    return eiyou::ShowError(this, U(error));
  accept();
}

void ServerSettingsWindow::SwitchTo(const eiyou::PgSettings* server) {
  (server ? ServerChoice : FileChoice)->setChecked(true);
  std::string error;
  if (!eiyou::WriteStoreLocation(dataDir_, server, error)) return eiyou::ShowError(this, U(error));
  accept();
}

bool ServerSettingsWindow::Moved(eiyou::PgSettings& settings, const std::string& question,
                                 const char* yes,
                                 const std::function<eiyou::TransferResult()>& move) {
  if (!eiyou::Confirm(this, U(question), yes, "キャンセル")) return false;
  const eiyou::ServerCheck check = Check(settings);
  if (!check.connected) {
    eiyou::ShowError(this, U(check.message));
    return false;
  }
  eiyou::TransferResult moved;
  {
    const WaitCursor wait;
    moved = move();
  }
  if (!moved.ok) {
    eiyou::ShowError(this, U(moved.message));
    return false;
  }
  eiyou::ShowMessage(this, U(moved.message));
  return true;
}

void ServerSettingsWindow::MoveToServerButtonClick() {
  eiyou::PgSettings settings;
  if (!ReadFields(settings)) return;
  const std::string server = "共有サーバー「" + eiyou::ServerName(settings) + "」";
  if (!Moved(settings,
             "このフォルダー（" + dataDir_ + "）の" + kMovedKinds + "を、すべて" + server +
                 "へ移します。\n\n"
                 "・すべてを一度に書き込み、読み返して一つずつ照合してから確定します。途中で失敗したときは、サーバーには何も書き込みません。\n"
                 "・移し先のデータベースは空でなければなりません。すでにデータがあるときは何も移しません。\n"
                 "・このフォルダーのデータはそのまま残ります。\n"
                 "・移しても、このフォルダーの保存先は切り替わりません。移したあとで、サーバーに切り替えるかどうかをお尋ねします。\n\n"
                 "移しますか？",
             "移す",
             [&] { return eiyou::MoveFolderToServer(dataDir_, settings, std::time(nullptr)); }))
    return;
  const eiyou::StoreLocation location = eiyou::ReadStoreLocation(dataDir_);
  if (fixed_ || (location.server && SameServer(location.settings, settings))) return;
  if (eiyou::Confirm(this,
                     U("このフォルダーの保存先を" + server +
                       "に切り替えますか？\n切り替えると、これからの献立の日、目標量セット、単価、献立などはすべてサーバーに保存し、"
                       "このフォルダーの献立表ファイルは使いません。"),
                     "切り替える", "切り替えない"))
    SwitchTo(&settings);
}

void ServerSettingsWindow::MoveFromServerButtonClick() {
  eiyou::PgSettings settings;
  if (!ReadFields(settings)) return;
  if (!Moved(settings,
             "共有サーバー「" + eiyou::ServerName(settings) + "」の" + kMovedKinds + "を、すべてこのフォルダー（" +
                 dataDir_ +
                 "）の献立表ファイル（KONDATE/献立表.db）と献立ファイル（KONDATE/献立.TXT）へ戻します。\n\n"
                 "・すべてを一度に書き込み、読み返して一つずつ照合してから確定します。途中で失敗したときは、このフォルダーには何も書き込みません。\n"
                 "・このフォルダーの献立表ファイルは空でなければなりません。すでにデータがあるときは何も戻しません。"
                 "いまの献立ファイルは、日時を付けた名前で残します。\n"
                 "・ほかに起動している栄養分析システムがこのフォルダーを使っている間は戻せません。\n"
                 "・サーバーのデータはそのまま残ります。\n"
                 "・戻しても、このフォルダーの保存先は切り替わりません。戻したあとで、このコンピューター（ファイル）に切り替えるかどうかをお尋ねします。\n\n"
                 "戻しますか？",
             "戻す",
             [&] { return eiyou::MoveServerToFolder(settings, dataDir_, std::time(nullptr)); }))
    return;
  if (fixed_ || !eiyou::ReadStoreLocation(dataDir_).server) return;
  if (eiyou::Confirm(this,
                     U("このフォルダーの保存先をこのコンピューター（ファイル）に切り替えますか？\n"
                       "切り替えると、これからはすべてこのフォルダーの献立表ファイルと献立ファイルに保存し、"
                       "共有サーバーは使いません。"),
                     "切り替える", "切り替えない"))
    SwitchTo(nullptr);
}
