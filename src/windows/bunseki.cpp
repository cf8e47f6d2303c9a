#include "bunseki.h"

#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QMenu>
#include <QToolButton>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <memory>
#include <string>

#include "gui/accessible.h"
#include "gui/controls.h"
#include "gui/figure_cells.h"
#include "gui/image_canvas.h"
#include "gui/list_items.h"
#include "gui/messages.h"
#include "gui/printing.h"
#include "gui/report_actions.h"
#include "gui/screen_fit.h"
#include "gui/text.h"
#include "hyouka.h"
#include "sessions/meal_session.h"

using eiyou::ChosenItem;
using eiyou::ItemBytes;
using eiyou::MakeButton;
using eiyou::MakeChoiceBox;
using eiyou::MakeLabel;
using eiyou::MakeList;
using eiyou::MakePanel;
using eiyou::ShowError;
using eiyou::ShowMessage;

namespace {

const char* const kMeals[] = {"朝　食", "昼　食", "夕　食"};

QString DateText(const QDateEdit* edit) { return edit->date().toString(QStringLiteral("yyyy-MM-dd")); }

// Storing and opening a day: the store's word in a message box, the question
// in a question box.
class DayPlanBoxes : public eiyou::DayPlanDialog {
 public:
  explicit DayPlanBoxes(QWidget* parent) : parent_(parent) {}
  void Show(const std::string& utf8Text) override { ShowMessage(parent_, eiyou::U(utf8Text)); }
  bool Confirm(const std::string& question, const char* yes, const char* no) override {
    return eiyou::Confirm(parent_, eiyou::U(question), yes, no);
  }
  // What the day came to, when there is something to tell.
  void Tell(const eiyou::DayStatus& status) {
    if (status.message.empty()) return;
    (status.error ? ShowError : ShowMessage)(parent_, eiyou::U(status.message));
  }

 private:
  QWidget* parent_;
};

// Waits without blocking the window system, but without handling user input,
// so nobody can press a button in the middle of a print.
void WaitProcessingEvents(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

// ---------------------------------------------------------------------------
// TForm4: the meal composition window

void TForm4::Open(eiyou::MealSession& session, QWidget* parent) {
  TForm4 form(session, parent);
  bool show = false;
  eiyou::Guarded(parent, [&] { show = form.Opening(parent); });
  if (show) form.exec();
}

TForm4::TForm4(eiyou::MealSession& session, QWidget* parent)
    : QDialog(parent), session_(session) {
  setObjectName("TForm4");
  setWindowTitle(QStringLiteral("食事の栄養分析"));
  resize(960, 560);

  Panel1 = MakePanel(this, "Panel1", QRect(0, 0, 960, 49));
  StaticText1 = MakeLabel(Panel1, "StaticText1", QStringLiteral(" 食事の栄養分析 "), 16, 8);
  {
    QFont f = StaticText1->font();
    f.setPixelSize(24);
    f.setBold(true);
    StaticText1->setFont(f);
    StaticText1->adjustSize();
  }
  BitBtn2 = MakeButton(Panel1, "BitBtn2", "終　了", "栄養分析を終了します！", QRect(852, 8, 89, 33),
                       this, &TForm4::BitBtn2Click);

  StaticText2 = MakeLabel(this, "StaticText2", QStringLiteral("食事選択"), 16, 64);
  ComboBox1 = MakeChoiceBox(this, "ComboBox1", eiyou::Utf8Items(kMeals), "食事を選択します！",
                            QRect(16, 84, 140, 26), this, &TForm4::ComboBox1Change);
  StaticText3 = MakeLabel(this, "StaticText3", QStringLiteral("献立選択"), 16, 122);
  ListBox1 = MakeList(this, "ListBox1", QRect(16, 142, 480, 324));
  // A long dish file is laid out a batch at a time, not measured whole before
  // the window shows.
  ListBox1->setLayoutMode(QListView::Batched);
  ListBox1->setToolTip(QStringLiteral("献立を選択します！"));

  BitBtn3 = MakeButton(this, "BitBtn3", "選択→", "選んだ食事に献立を追加します！",
                       QRect(508, 236, 89, 33), this, &TForm4::BitBtn3Click);
  BitBtn4 = MakeButton(this, "BitBtn4", "削除", "食事に追加された献立を削除します！",
                       QRect(508, 290, 89, 33), this, &TForm4::BitBtn4Click);

  StaticText4 = MakeLabel(this, "StaticText4", QStringLiteral("朝　食"), 612, 64);
  ListBox2 = MakeList(this, "ListBox2", QRect(612, 84, 332, 110));
  StaticText5 = MakeLabel(this, "StaticText5", QStringLiteral("昼　食"), 612, 202);
  ListBox3 = MakeList(this, "ListBox3", QRect(612, 222, 332, 110));
  StaticText6 = MakeLabel(this, "StaticText6", QStringLiteral("夕　食"), 612, 340);
  ListBox4 = MakeList(this, "ListBox4", QRect(612, 360, 332, 106));

  Panel2 = MakePanel(this, "Panel2", QRect(0, 482, 960, 78));
  StaticText7 = MakeLabel(Panel2, "StaticText7", QStringLiteral(" 性　別 "), 16, 12);
  ComboBox2 =
      MakeChoiceBox(Panel2, "ComboBox2", eiyou::Utf8Items(eiyou::kSexItems), "性別を選択します！",
                    QRect(16, 34, 80, 26), this, &TForm4::ComboBox2Change);
  StaticText8 = MakeLabel(Panel2, "StaticText8", QStringLiteral("年齢区分"), 120, 12);
  ComboBox3 = MakeChoiceBox(Panel2, "ComboBox3", eiyou::Utf8Items(eiyou::kAgeClassItems),
                            "年齢区分を選択します！", QRect(120, 34, 130, 26), this,
                            &TForm4::ComboBox3Change);
  BitBtn1 = MakeButton(Panel2, "BitBtn1", "グラフ作成", "グラフを表示します！",
                       QRect(280, 30, 110, 33), this, &TForm4::BitBtn1Click);

  // Day plans: the day's three meals stored under a date, and read back.
  MakeLabel(Panel2, "PlanDateLabel", QStringLiteral("日付"), 420, 12);
  PlanDate = new QDateEdit(QDate::currentDate(), Panel2);
  PlanDate->setObjectName("PlanDate");
  PlanDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  PlanDate->setCalendarPopup(true);
  PlanDate->setToolTip(QStringLiteral("日別献立の日付です"));
  PlanDate->setGeometry(420, 34, 130, 26);
  session_.ChooseDate(eiyou::Utf8Of(DateText(PlanDate)));
  connect(PlanDate, &QDateEdit::dateChanged, this, &TForm4::PlanDateChange);
  MakeButton(Panel2, "SaveDayButton", "日別献立に保存", "今の朝食・昼食・夕食をこの日付で保存します",
             QRect(566, 30, 170, 33), this, &TForm4::SaveDayClick);
  MakeButton(Panel2, "OpenDayButton", "日別献立を開く", "この日付で保存した献立を読み込みます",
             QRect(746, 30, 170, 33), this, &TForm4::OpenDayClick);

  eiyou::ScreenFit::Install(this);
  eiyou::NameControls(this, {{"TForm4", "食事の栄養分析"},
                             {"BitBtn2", "終了"},
                             {"ComboBox1", "食事選択"},
                             {"ListBox1", "献立一覧"},
                             {"BitBtn3", "食事に献立を追加"},
                             {"BitBtn4", "食事の献立を削除"},
                             {"ListBox2", "朝食の献立"},
                             {"ListBox3", "昼食の献立"},
                             {"ListBox4", "夕食の献立"},
                             {"ComboBox2", "性別"},
                             {"ComboBox3", "年齢区分"},
                             {"BitBtn1", "グラフ作成"},
                             {"PlanDate", "日別献立の日付"},
                             {"SaveDayButton", "日別献立に保存"},
                             {"OpenDayButton", "日別献立を開く"}});
  following_ = session_.Subscribe([this](const eiyou::MealChange& change) { Follow(change); });
}

void TForm4::Follow(const eiyou::MealChange& change) {
  QListWidget* const lists[] = {ListBox2, ListBox3, ListBox4};
  for (int meal = 1; meal <= eiyou::kMeals; ++meal)
    if (change.meal == 0 || change.meal == meal)
      eiyou::FollowList(lists[meal - 1], session_.MealEntries(meal), change.list);
}

bool TForm4::Opening(QWidget* messageParent) {
  eiyou::BoxMessageSink sink(messageParent);
  const eiyou::DishFileOpening opening = session_.Opening(sink);
  for (QListWidget* list : {ListBox1, ListBox2, ListBox3, ListBox4}) list->clear();
  eiyou::FillInOrder(ListBox1, opening.lines);
  return opening.show;
}

void TForm4::ComboBox1Change() {
  if (ComboBox1->currentText().isEmpty()) return;
  session_.ChooseMeal(ChosenItem(ComboBox1) + 1);
}

void TForm4::BitBtn3Click() {
  if (ComboBox1->currentText().isEmpty()) return;
  const int row = ListBox1->currentRow();
  if (row < 0 || !ListBox1->item(row)->isSelected()) return;

  session_.AddDish(session_.currentMeal(), ItemBytes(ListBox1, row));
}

void TForm4::PlanDateChange() { session_.ChooseDate(eiyou::Utf8Of(DateText(PlanDate))); }

void TForm4::SaveDayClick() {
  DayPlanBoxes boxes(this);
  const eiyou::DayStatus status = session_.SaveDay(boxes);
  if (status.outcome != eiyou::DayOutcome::ChangedByOther) return boxes.Tell(status);
  if (!eiyou::AskReload(this, status.message)) return;
  const eiyou::DayStatus reloaded = session_.ReloadDay(boxes);
  boxes.Tell(reloaded);
  ShowDayChoices(reloaded);
}

void TForm4::OpenDayClick() {
  DayPlanBoxes boxes(this);
  const eiyou::DayStatus status = session_.LoadDay(boxes);
  boxes.Tell(status);
  ShowDayChoices(status);
}

void TForm4::ShowDayChoices(const eiyou::DayStatus& status) {
  if (status.outcome != eiyou::DayOutcome::Loaded) return;
  // The boxes show the day's sex and age class; their handlers take them again.
  ComboBox2->setCurrentIndex(session_.sex());
  ComboBox3->setCurrentIndex(session_.ageRow() - 1);
}

void TForm4::BitBtn4Click() { session_.ClearDay(); }

void TForm4::ComboBox2Change() { session_.ChooseSex(ChosenItem(ComboBox2)); }

void TForm4::ComboBox3Change() { session_.ChooseAge(ChosenItem(ComboBox3) + 1); }

void TForm4::BitBtn1Click() { ShowGraphWindow(false); }

void TForm4::ShowGraphWindow(bool drawAfterClose) {
  TForm5 form(session_, this);
  form.Edit1->setText(ComboBox2->currentText());
  form.Edit2->setText(ComboBox3->currentText());
  form.dsp_sessyu();
  form.ShowFigureMarks();
  form.exec();
  if (drawAfterClose) eiyou::Guarded(this, [&] { form.GraphDraw(true); });
}

void TForm4::BitBtn2Click() { reject(); }

// ---------------------------------------------------------------------------
// TForm5: the daily intake graph window

TForm5::TForm5(eiyou::MealSession& session, TForm4* meal)
    : ChartDialog(meal), session_(session), meal_(meal) {
  setObjectName("TForm5");
  setWindowTitle(QStringLiteral("食事摂取量グラフ"));
  // The client area; with the window frame the window is about 660 × 593.
  resize(652, 566);
  move(500, 80);

  auto* panel = MakePanel(this, "Panel1", QRect(0, 0, 649, 49));
  for (QLabel* label : {MakeLabel(panel, "StaticText1", QStringLiteral("性別"), 16, 16),
                        MakeLabel(panel, "StaticText2", QStringLiteral("年齢区分"), 120, 16)}) {
    label->setFixedHeight(22);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  }
  Edit1 = new QLineEdit(panel);
  Edit1->setObjectName("Edit1");
  Edit1->setGeometry(72, 16, 40, 22);
  Edit2 = new QLineEdit(panel);
  Edit2->setObjectName("Edit2");
  Edit2->setGeometry(216, 16, 136, 22);

  MakeButton(panel, "BitBtn3", "グラフ表示", "グラフを表示します！", QRect(360, 8, 89, 33), this,
             &TForm5::BitBtn3Click);
  MakeButton(panel, "BitBtn2", "印刷", "グラフを印刷します！", QRect(456, 8, 89, 33), this,
             &TForm5::BitBtn2Click);
  MakeButton(panel, "BitBtn1", "終了", "グラフ表示を終了します！", QRect(552, 8, 89, 33), this,
             &TForm5::BitBtn1Click);

  for (int k = 0; k < eiyou::kNutrients; ++k) {
    const int top = 56 + 56 * k;
    const QByteArray textName = "StaticText" + QByteArray::number(k + 3);
    const QByteArray editName = "Edit" + QByteArray::number(k + 3);
    MakeLabel(this, textName.constData(), QString::fromUtf8(eiyou::kDailyFigures[k].caption), 8,
              top);
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(editName));
    edit->setGeometry(8, top + 20, 121, 22);
    edit->setAccessibleName(QString::fromUtf8(eiyou::kDailyFigures[k].caption));
    figures_[k] = edit;
    // In the gap between the figure and the chart area.
    auto* mark = new QLabel(this);
    mark->setObjectName(QStringLiteral("FigureMark%1").arg(k + 3));
    mark->setGeometry(130, top + 20, 21, 22);
    mark->setAlignment(Qt::AlignCenter);
    marks_[k] = mark;
  }

  // Marks the chart area only; the chart is drawn on the window's own surface.
  eiyou::MakeDailyChartArea(this, "PaintBox1", QStringLiteral("１日分"), "StaticText12");

  // Below the figures: the day's report as a PDF, CSV or workbook.
  saveButton_ = new QToolButton(this);
  saveButton_->setObjectName("SaveReportButton");
  saveButton_->setText(QStringLiteral("保存"));
  saveButton_->setToolTip(QStringLiteral("この日の栄養分析を PDF・CSV・Excel に保存します"));
  saveButton_->setPopupMode(QToolButton::InstantPopup);
  saveButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  // Half the width below the figures, the assessment the other half.
  saveButton_->setGeometry(8, 547, 56, 18);
  auto* menu = new QMenu(saveButton_);
  const struct {
    const char* name;
    const char* text;
    eiyou::ReportFormat format;
  } formats[] = {{"PdfAction", "PDFに保存", eiyou::ReportFormat::Pdf},
                 {"CsvAction", "CSVに保存", eiyou::ReportFormat::Csv},
                 {"XlsxAction", "Excelに保存", eiyou::ReportFormat::Xlsx}};
  for (const auto& f : formats) {
    QAction* action = menu->addAction(eiyou::U(f.text));
    action->setObjectName(QString::fromLatin1(f.name));
    const eiyou::ReportFormat format = f.format;
    connect(action, &QAction::triggered, this, [this, format] { SaveReport(format); });
  }
  saveButton_->setMenu(menu);
  assessmentButton_ = new QToolButton(this);
  assessmentButton_->setObjectName("AssessmentButton");
  assessmentButton_->setText(QStringLiteral("栄養評価"));
  assessmentButton_->setToolTip(QStringLiteral("この日の3食を食事摂取基準で評価します"));
  assessmentButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  assessmentButton_->setGeometry(66, 547, 63, 18);
  if (session_.assessment) {
    connect(assessmentButton_, &QToolButton::clicked, this, [this] {
      AssessmentWindow::Open(
          this, *session_.assessment, [this] { return session_.Assessed(); },
          [this](std::function<void()> show) {
            return session_.Subscribe([show](const eiyou::MealChange&) { show(); });
          });
    });
  } else {
    assessmentButton_->hide();
  }

  // Below the chart area: what the marks beside the figures mean.
  eiyou::MakeMarksLegend(this, 152, 546);

  eiyou::NameControls(this, {{"TForm5", "食事摂取量グラフ"},
                             {"Edit1", "性別"},
                             {"Edit2", "年齢区分"},
                             {"BitBtn3", "グラフ表示"},
                             {"BitBtn2", "印刷"},
                             {"BitBtn1", "終了"},
                             {"PaintBox1", "レーダーチャート"},
                             {"SaveReportButton", "レポートの保存"},
                             {"AssessmentButton", "栄養評価"}});
}

void TForm5::SaveReport(eiyou::ReportFormat format) {
  const eiyou::DayReport day =
      session_.MakeDayReport(eiyou::Utf8Of(Edit1->text()), eiyou::Utf8Of(Edit2->text()),
                             session_.assessment ? std::optional(session_.Assessed().assessment)
                                                 : std::nullopt);
  eiyou::SaveReport(this, day.report, day.chart, format, eiyou::U(day.baseName));
}

void TForm5::ShowFigureMarks() {
  for (int k = 0; k < eiyou::kNutrients; ++k) {
    const eiyou::FigureCell cell = session_.FigureMark(k);
    marks_[k]->setText(eiyou::U(cell.mark));
    marks_[k]->setToolTip(eiyou::U(cell.tip));
    marks_[k]->setAccessibleName(cell.tip.empty() ? QString() : eiyou::U(cell.tip));
    figures_[k]->setToolTip(eiyou::U(cell.tip));
  }
}

void TForm5::dsp_sessyu() {
  const std::array<std::string, eiyou::kNutrients> figures = session_.Figures();
  for (int k = 0; k < eiyou::kNutrients; ++k) figures_[k]->setText(eiyou::U(figures[k]));
}

void TForm5::GraphDraw(bool quiet) {
  eiyou::BoxMessageSink sink(this);
  // Without a row of the reference table there is nothing to divide by: ask
  // for the choice (sex first) and draw nothing.
  const eiyou::ChartBlocker blocker = session_.PrepareChart(sink);
  if (blocker != eiyou::ChartBlocker::None) {
    if (!quiet) ShowMessage(this, eiyou::U(eiyou::ChartBlockerMessage(blocker)));
    return;
  }
  eiyou::ImageCanvas canvas(surface());
  session_.DrawChart(canvas);
  surfaceChanged();
}

void TForm5::BitBtn3Click() {
  eiyou::Guarded(this, [&] { GraphDraw(); });
}

void TForm5::BitBtn1Click() { reject(); }

QImage TForm5::CaptureWindow() {
  QImage shot;
  // With a window system and its window manager, the screen shows the whole
  // window, frame and title bar included.
  if (QGuiApplication::platformName() == QLatin1String("xcb")) {
    if (QScreen* s = screen()) {
      const QRect frame = frameGeometry();
      const QPoint origin = s->geometry().topLeft();
      shot = s->grabWindow(0, frame.x() - origin.x(), frame.y() - origin.y(), frame.width(),
                           frame.height())
                 .toImage();
    }
  }
  // Elsewhere (or if the screen gave nothing) the client area is what we have.
  if (shot.isNull() || shot.width() <= 0 || shot.height() <= 0) shot = grab().toImage();
  return shot;
}

bool TForm5::PrintPicture(const QImage& picture, const QRect& target) {
  QString error;
  if (eiyou::PrintPicture(picture, target, windowTitle(), error)) return true;
  ShowError(this, error);
  return false;
}

void TForm5::BitBtn2Click() {
  // The wait below runs an event loop; a second press must not start another print.
  if (printing_) return;
  printing_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{printing_};

  auto image = std::make_unique<TForm6>(this);  // never shown
  // The added buttons are not part of the printed window.
  const bool assessing = assessmentButton_->isVisible();
  saveButton_->hide();
  assessmentButton_->hide();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  const QImage shot = CaptureWindow();
  saveButton_->show();
  assessmentButton_->setVisible(assessing);
  QGuiApplication::clipboard()->setImage(shot);
  WaitProcessingEvents(500);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  QImage fromClipboard = QGuiApplication::clipboard()->image();
  image->Image1->setPixmap(QPixmap::fromImage(fromClipboard.isNull() ? shot : fromClipboard));

  const QRect target(0, 0, 6 * image->Image1->width(), 6 * image->Image1->height());
  if (!PrintPicture(image->Image1->pixmap().toImage(), target)) return;

  // The printed window is replaced by a fresh one; this one closes once the
  // fresh one has been closed.
  image.reset();
  if (meal_) meal_->ShowGraphWindow(true);
  reject();
}

// ---------------------------------------------------------------------------
// TForm6: the print image, never shown

TForm6::TForm6(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm6");
  setWindowTitle(QStringLiteral("印刷イメージ"));
  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Image1->setGeometry(0, 0, 660, 600);
  resize(660, 600);
}
