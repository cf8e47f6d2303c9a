#include "gui/figure_window.h"

#include <QHeaderView>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/figure_cells.h"
#include "gui/text.h"
#include "sessions/allergen_session.h"
#include "sessions/dish_session.h"

namespace eiyou {

FigureWindow::FigureWindow(QWidget* owner, DishSession& session)
    : QWidget(owner, Qt::Window), session_(session) {
  setObjectName("FigureWindow");
  setWindowTitle(U("献立の成分値"));
  setAccessibleName(U("献立の成分値"));

  table_ = MakeFigureTableWidget(this, "FigureTable",
                                 {"作成中の献立", "選んだ献立", "基準値", "割合(%)"});
  table_->setAccessibleName(U("成分値の表"));
  table_->horizontalHeader()->setMinimumSectionSize(88);

  legend_ = new QLabel(U(kFigureMarksLegend), this);
  legend_->setObjectName("FigureLegend");
  legend_->setWordWrap(true);
  auto* note = new QLabel(
      U("選んだ献立の値は「選択→」で評価に加えた献立の合計、割合は基準値に対する選んだ献立の割合です。"
        "基準値は厚生労働省「日本人の食事摂取基準（2020年版）」によります。"
        "印の付いた値にマウスを置くと、該当する食品が表示されます。"),
      this);
  note->setObjectName("FigureNote");
  note->setWordWrap(true);

  // Under the table: the allergens of the same foods.
  allergens_ = new QLabel(this);
  allergens_->setObjectName("AllergenSummary");
  allergens_->setAccessibleName(U("アレルゲン"));
  allergens_->setWordWrap(true);
  allergens_->setVisible(session.allergens != nullptr);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_);
  layout->addWidget(allergens_);
  layout->addWidget(legend_);
  layout->addWidget(note);
  assessment_ = new QPushButton(U("栄養評価"), this);
  assessment_->setObjectName("AssessmentButton");
  assessment_->setAccessibleName(U("栄養評価"));
  assessment_->setToolTip(U("選んだ献立（選んでいなければ作成中の献立）を食事摂取基準で評価します"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(assessment_);
  layout->addLayout(buttons);
  // As large as the table with its eleven rows, the notes below it.
  table_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
  // Never squeezed by the allergen lines below it: the window grows with
  // them instead (FitHeight).
  table_->setMinimumHeight(table_->sizeHint().height());
  resize(600, sizeHint().height());

  // Hidden, it has nothing to show; showing it puts the figures of the moment.
  following_ = session.Subscribe([this](const DishChange&) {
    if (isVisible()) ShowFigures();
  });
}

void FigureWindow::ShowFigures() {
  const FigureTableRows rows = session_.Figures();
  for (int r = 0; r < kFigureRows; ++r) {
    const FigureTableRow& row = rows[static_cast<std::size_t>(r)];
    SetFigureCell(table_, r, 0, row.dish);
    SetFigureCell(table_, r, 1, row.chosen);
    SetFigureCell(table_, r, 2, row.reference);
    SetFigureCell(table_, r, 3, row.percent);
  }
  AllergenSession* allergens = session_.allergens;
  if (!allergens) return;
  if (!allergens->loaded()) allergens->Load();
  // A line each, the recommended items that may be contained counted, so
  // that the table keeps its rows; the hint says every item.
  std::string brief, full;
  auto line = [&](const char* subject, const std::vector<FoodAmount>& foods) {
    const std::string head = std::string(subject) + "のアレルゲン　";
    if (foods.empty()) {
      brief += head + "（食品なし）\n";
      return;
    }
    const std::vector<AllergenPresence> presences = allergens->Combined(session_.food, foods);
    brief += head + AllergenSummaryBrief(allergens->list(), presences) + "\n";
    full += head + allergens->Summary(presences) + "\n";
  };
  line("作成中の献立", session_.DraftFoods());
  line("選んだ献立", session_.ChosenFoods());
  brief.pop_back();
  allergens_->setText(U(brief));
  FitHeight();
  allergens_->setToolTip(U(full + "「含む可能性」は食品成分表の食品名から材料が決まらないものです。"
                                  "アレルゲンの確認画面で食品ごとに指定を変えられます。"));
}

void FigureWindow::FitHeight() {
  QLayout* box = layout();
  const int need = box->hasHeightForWidth() ? box->totalHeightForWidth(width())
                                            : box->totalSizeHint().height();
  if (height() >= need) return;
  resize(width(), need);
  // Still wholly on the screen: what grew below its edge moves up.
  if (!isVisible() || !screen()) return;
  const QRect area = screen()->availableGeometry();
  const int over = frameGeometry().bottom() - area.bottom();
  if (over > 0) move(x(), std::max(area.top(), y() - over));
}

}  // namespace eiyou
