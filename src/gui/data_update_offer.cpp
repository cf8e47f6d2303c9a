#include "gui/data_update_offer.h"

#include <QEvent>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <ctime>

#include "gui/messages.h"
#include "gui/text.h"
#include "import/data_update.h"
#include "tables/data_dir.h"
#include "tables/file_io.h"

namespace eiyou {

void OfferDataUpdate(QWidget* parent, std::string shipped) {
  if (shipped.empty()) {
    const char* named = std::getenv(kShippedDataVariable);
    if (!named || !*named) return;
    shipped = named;
  }
  const std::string folder = DataDirectory();
  const std::optional<DataUpdatePlan> plan = DataUpdateDue(folder, shipped);
  if (!plan) return;
  const QString question =
      U("このプログラムには、お使いのデータより新しい同梱データがあります。\n" + plan->description +
        "（" + plan->release + "）\n\n"
        "食品成分表（全成分を含む）と食事摂取基準のファイルを新しい版にしますか？\n"
        "元のファイルは日付付きの控えとして残し、保存した献立と日別献立は新しい表の"
        "同じ食品に合わせます。ご自分で取り込んだ表や編集したファイル、献立・日別献立・"
        "目標量のセットはそのままです。\n"
        "「後で」を選ぶと今のデータのまま使えます（この版については再び尋ねません）。");
  if (!Confirm(parent, question, "今すぐ更新", "後で")) {
    if (!PostponeDataUpdate(folder, *plan))
      ShowError(parent, U(WriteFailureMessage(JoinPath(folder, kDataUpdateLaterFileName))));
    return;
  }
  const DataUpdateResult r = UpdateDataFolder(folder, shipped, *plan, std::time(nullptr));
  if (!r.ok) {
    ShowError(parent, U("データを更新できませんでした。\n" + r.error));
    return;
  }
  QStringList lines;
  for (const std::string& line : r.lines) lines << U(line);
  ShowMessage(parent, U("データを更新しました。\n") + lines.join(QLatin1Char('\n')));
}

namespace {

class FirstPaint final : public QObject {
 public:
  explicit FirstPaint(QWidget* window) : QObject(window), window_(window) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && event->type() == QEvent::Paint) {
      window_->removeEventFilter(this);
      QWidget* window = window_;
      QTimer::singleShot(0, window, [window] { OfferDataUpdate(window); });
      deleteLater();
    }
    return false;
  }

 private:
  QWidget* window_;
};

}  // namespace

void OfferDataUpdateWhenShown(QWidget* window) { window->installEventFilter(new FirstPaint(window)); }

}  // namespace eiyou
