#include "hyouka.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/profile_bar.h"
#include "gui/text.h"
#include "nutrition/assessment_table.h"
#include "sessions/assessment_session.h"

using eiyou::U;

AssessmentWindow::AssessmentWindow(QWidget* owner, eiyou::AssessmentSession& state, Reckon reckon)
    : QWidget(owner, Qt::Window), state_(state), reckon_(std::move(reckon)) {
  setObjectName("AssessmentWindow");
  setWindowTitle(U("栄養評価"));
  setAccessibleName(U("栄養評価"));

  bar_ = new eiyou::ProfileBar(state, this);
  subject_ = new QLabel(this);
  subject_->setObjectName("AssessmentSubject");

  table_ = new QTableWidget(0, eiyou::kAssessmentColumns + 1, this);
  table_->setObjectName("AssessmentTable");
  table_->setAccessibleName(U("栄養評価の表"));
  QStringList headings;
  for (const char* h : eiyou::kAssessmentHeadings) headings << U(h);
  table_->setHorizontalHeaderLabels(headings);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setTabKeyNavigation(false);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  QHeaderView* header = table_->horizontalHeader();
  header->setSectionResizeMode(QHeaderView::ResizeToContents);
  header->setSectionResizeMode(eiyou::kNoteColumn + 1, QHeaderView::Stretch);

  notes_ = new QLabel(this);
  notes_->setObjectName("AssessmentNotes");
  notes_->setWordWrap(true);
  notes_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(bar_);
  layout->addWidget(subject_);
  layout->addWidget(table_, 1);
  layout->addWidget(notes_);
  // Every column and the notes at 1366 × 768; a smaller screen scrolls the table.
  resize(1180, 700);

  // Hidden, it has nothing to show.
  profile_ = state.Subscribe([this](const eiyou::AssessmentChange&) {
    if (isVisible()) ShowAssessment();
  });
}

AssessmentWindow* AssessmentWindow::Open(
    QWidget* owner, eiyou::AssessmentSession& state, Reckon reckon,
    const std::function<eiyou::Subscription(std::function<void()>)>& follow) {
  auto* window = owner->findChild<AssessmentWindow*>(QString(), Qt::FindDirectChildrenOnly);
  if (!window) {
    window = new AssessmentWindow(owner, state, std::move(reckon));
    if (follow)
      window->side_ = follow([window] {
        if (window->isVisible()) window->ShowAssessment();
      });
  }
  window->ShowAssessment();
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

void AssessmentWindow::ShowAssessment() {
  const eiyou::AssessmentView view = reckon_();
  const eiyou::AssessmentTable t = eiyou::MakeAssessmentTable(view.assessment, view.period);
  subject_->setText(U("評価の対象：" + view.subject));
  table_->setRowCount(static_cast<int>(t.lines.size()));
  for (int r = 0; r < static_cast<int>(t.lines.size()); ++r) {
    const eiyou::AssessmentLine& line = t.lines[static_cast<std::size_t>(r)];
    const auto put = [&](int column, const std::string& text, Qt::Alignment align) {
      auto* item = new QTableWidgetItem(U(text));
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      item->setTextAlignment(align | Qt::AlignVCenter);
      table_->setItem(r, column, item);
      return item;
    };
    put(0, line.name, Qt::AlignLeft);
    for (int c = eiyou::kIntakeColumn; c <= eiyou::kUlColumn; ++c) {
      QTableWidgetItem* item = put(c + 1, line.cells[static_cast<std::size_t>(c)], Qt::AlignRight);
      if (line.cells[static_cast<std::size_t>(c)].find(eiyou::kOlderEditionMark) != std::string::npos)
        item->setToolTip(U(eiyou::kOlderEditionNote));
    }
    // The colour tells at a glance; the symbol and the words tell in black and white too.
    QTableWidgetItem* judged =
        put(eiyou::kJudgementColumn + 1, line.cells[eiyou::kJudgementColumn], Qt::AlignLeft);
    const eiyou::Rgb colour = eiyou::StyleOf(line.judgement).colour;
    judged->setForeground(QColor(colour.r, colour.g, colour.b));
    QFont bold = judged->font();
    bold.setBold(line.judgement != eiyou::Judgement::NotJudged &&
                 line.judgement != eiyou::Judgement::Adequate);
    judged->setFont(bold);
    put(eiyou::kNoteColumn + 1, line.cells[eiyou::kNoteColumn], Qt::AlignLeft);
  }
  QStringList notes;
  for (const std::string& note : t.notes) notes << U(note);
  // A reference file of the data folder that could not be used: the built-in sets judged.
  if (!state_.referenceProblem().empty()) notes << U(state_.referenceProblem());
  notes_->setText(notes.join(QLatin1Char('\n')));
}
