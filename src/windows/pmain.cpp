#include "pmain.h"

#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QThread>
#include <memory>

#include "bunseki.h"
#include "hacchuu.h"
#include "gui/controls.h"
#include "gui/screen_fit.h"
#include "gui/text.h"
#include "kikan.h"
#include "kondate.h"
#include "kondatehyou.h"
#include "mokuhyou.h"
#include "plans/store_location.h"
#include "plans/store_open.h"
#include "settei.h"
#include "seibun_hyou.h"
#include "shisetsu.h"
#include "sessions/sessions.h"
#include "torikomi.h"

namespace {

constexpr int kClientWidth = 480;
constexpr int kClientHeight = 520;
constexpr int kButtonWidth = 280;
constexpr int kButtonHeight = 52;

QPushButton* MakeMainButton(TForm1* parent, const char* name, const char* caption, const char* hint,
                            int top, void (TForm1::*slot)()) {
  QPushButton* b = eiyou::MakeButton(
      parent, name, caption, hint,
      QRect((kClientWidth - kButtonWidth) / 2, top, kButtonWidth, kButtonHeight), parent, slot);
  QFont f = b->font();
  f.setPointSize(14);
  b->setFont(f);
  return b;
}

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent), sessions_(std::make_unique<eiyou::Sessions>()) {
  setObjectName("TForm1");
  setWindowTitle(QString::fromUtf8("栄養分析メイン"));
  setFixedSize(kClientWidth, kClientHeight);

  auto* title = new QLabel(QString::fromUtf8("栄養分析システム"), this);
  title->setObjectName("StaticText1");
  title->setAlignment(Qt::AlignCenter);
  QFont tf = title->font();
  tf.setPointSize(24);
  tf.setBold(true);
  title->setFont(tf);
  QPalette tp = title->palette();
  tp.setColor(QPalette::WindowText, Qt::blue);
  title->setPalette(tp);
  title->setGeometry(0, 24, kClientWidth, 56);

  MakeMainButton(this, "BitBtn1", "食品成分表の更新", "食品成分表を表示します！", 112,
                 &TForm1::BitBtn1Click);
  MakeMainButton(this, "BitBtn2", "献 立  の  作 成", "献立作成画面を表示します！", 184,
                 &TForm1::BitBtn2Click);
  MakeMainButton(this, "BitBtn3", "食事 の 栄養分析", "食事の栄養分析を行います！", 256,
                 &TForm1::BitBtn3Click);
  // The tools beside the three tasks, a size smaller and three side by side
  // across the same span in two rows, then the end button last.
  constexpr int kToolGap = 5;
  constexpr int kToolHeight = 34;
  constexpr int kToolTop = 318, kToolTop2 = 358;
  constexpr int kToolWidth = (kButtonWidth - 2 * kToolGap) / 3;
  constexpr int kToolLeft = (kClientWidth - kButtonWidth) / 2;
  QPushButton* period = eiyou::MakeButton(
      this, "PeriodButton", "期間の栄養分析", "保存した日別献立の期間の平均を分析します",
      QRect(kToolLeft, kToolTop, kToolWidth, kToolHeight), this, &TForm1::PeriodButtonClick);
  period->setAccessibleName(QString::fromUtf8("期間の栄養分析"));
  QPushButton* targets = eiyou::MakeButton(
      this, "TargetSetButton", "目標量セット", "施設の給与栄養目標量のセットを作成・編集します",
      QRect(kToolLeft + kToolWidth + kToolGap, kToolTop, kToolWidth, kToolHeight), this,
      &TForm1::TargetSetButtonClick);
  targets->setAccessibleName(QString::fromUtf8("目標量セット"));
  QPushButton* import = eiyou::MakeButton(
      this, "ImportButton", "成分表の取込", "日本食品標準成分表の新しい版を取り込みます",
      QRect((kClientWidth + kButtonWidth) / 2 - kToolWidth, kToolTop, kToolWidth, kToolHeight), this,
      &TForm1::ImportButtonClick);
  import->setAccessibleName(QString::fromUtf8("食品成分表の取込"));
  eiyou::MakeButton(this, "FacilityButton", "給食施設", "喫食グループ・日別の人数・施設情報を設定します",
                    QRect(kToolLeft, kToolTop2, kToolWidth, kToolHeight), this,
                    &TForm1::FacilityButtonClick);
  eiyou::MakeButton(this, "OrderSheetButton", "発注表・原価", "期間の発注表と食材費を表示します",
                    QRect(kToolLeft + kToolWidth + kToolGap, kToolTop2, kToolWidth, kToolHeight), this,
                    &TForm1::OrderSheetButtonClick);
  eiyou::MakeButton(this, "MonthlyMenuButton", "献立表", "家庭に配る月の献立表を作ります",
                    QRect((kClientWidth + kButtonWidth) / 2 - kToolWidth, kToolTop2, kToolWidth, kToolHeight),
                    this, &TForm1::MonthlyMenuButtonClick);
  MakeMainButton(this, "BitBtn4", "終            了", "プログラムを終了します！", 400,
                 &TForm1::BitBtn4Click);

  auto* version = new QLabel(QStringLiteral("Ver 1.1"), this);
  version->setObjectName("StaticText2");
  version->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  version->setGeometry(kClientWidth - 140, kClientHeight - 34, 120, 22);

  // Where the data is kept, in the strip below the buttons beside the version.
  eiyou::MakeButton(this, "ServerSettingsButton", "設定", "データの保存先（このコンピューターか共有サーバーか）を設定します",
                    QRect(20, kClientHeight - 38, 64, 30), this, &TForm1::ServerSettingsButtonClick);
  storeLocationLabel_ = new QLabel(this);
  storeLocationLabel_->setObjectName("storeLocationLabel");
  storeLocationLabel_->setGeometry(92, kClientHeight - 34, kClientWidth - 140 - 92, 22);
  ShowStoreLocation();
  // A screen too small for the window (a small laptop at twice the scale)
  // scrolls to the end button and 設定 rather than cutting them off.
  eiyou::ScreenFit::Install(this);
}

void TForm1::ShowStoreLocation() {
  // A long server name is cut in the middle; the hint holds it whole.
  const QString caption = eiyou::U(eiyou::StoreLocationCaption(eiyou::DataDirectory()));
  storeLocationLabel_->setText(
      storeLocationLabel_->fontMetrics().elidedText(caption, Qt::ElideMiddle, storeLocationLabel_->width()));
  storeLocationLabel_->setToolTip(caption);
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!passwordAsked_) AskServerPasswordOnce();
}

void TForm1::AskServerPasswordOnce() {
  passwordAsked_ = true;
  const eiyou::StoreLocation location = eiyou::ReadStoreLocation(eiyou::DataDirectory());
  if (!location.server || !location.error.empty()) return;  // the file: nothing to ask
  eiyou::PgSettings settings = location.settings;
  settings.password = eiyou::RememberedServerPassword();
  // Connecting may take the connection's time limit: never in the way of the
  // window's first paint. The answer comes back to this thread, if the
  // window is still there.
  auto asks = std::make_shared<bool>(false);
  QThread* probe = QThread::create([settings, asks] { *asks = eiyou::ServerAsksForPassword(settings); });
  connect(probe, &QThread::finished, probe, &QObject::deleteLater);
  connect(probe, &QThread::finished, this, [this, settings, asks] {
    if (*asks) ServerSettingsWindow::AskPassword(this, settings);
  });
  probe->start();
}

TForm1::~TForm1() = default;

void TForm1::BitBtn1Click() { TForm2::Open(sessions_->viewer, this); }
void TForm1::BitBtn2Click() { TForm3::Open(sessions_->dish, this); }
void TForm1::BitBtn3Click() { TForm4::Open(sessions_->meal, this); }
void TForm1::BitBtn4Click() { close(); }
void TForm1::ImportButtonClick() { ImportDialog::Open(this); }
void TForm1::PeriodButtonClick() { PeriodWindow::Open(sessions_->period, this); }
void TForm1::TargetSetButtonClick() { TargetSetWindow::Open(sessions_->targets, this); }
void TForm1::FacilityButtonClick() { FacilityWindow::Open(sessions_->facility, this); }
void TForm1::OrderSheetButtonClick() { OrderSheetWindow::Open(sessions_->facility, this); }
void TForm1::MonthlyMenuButtonClick() { MonthlyMenuWindow::Open(sessions_->menu, this); }
void TForm1::ServerSettingsButtonClick() {
  if (ServerSettingsWindow::Open(eiyou::DataDirectory(), this)) ShowStoreLocation();
}
