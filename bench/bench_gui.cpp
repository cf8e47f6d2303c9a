// The dish window's work that a user waits for: listing a food group, opening
// the window with its dish list, drawing the chart onto the window's image.
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QListWidget>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <clocale>
#include <memory>
#include <string>
#include <vector>

#include "bench_data.h"
#include "bench_report.h"
#include "gui/image_canvas.h"
#include "gui/list_items.h"
#include "bunseki.h"
#include "kondate.h"
#include "nutrition/radar_chart.h"
#include "sessions/dish_session.h"
#include "sessions/meal_session.h"
#include "tables/cp932.h"
#include "tables/data_dir.h"
#include "tables/dish_file.h"
#include "tables/food_table.h"

using namespace eiyou;
using namespace eiyou::bench;

namespace {

// Group 10 (fish and shellfish, 471 foods) is the largest group of the bundled
// table; group 0 (no item chosen) matches no food, which leaves the filter's
// pass over the rows.
constexpr int kLargestGroup = 10;
constexpr int kNoGroup = 0;
constexpr int kFoodLines = 2538;  // the bundled table, whole

template <class T>
T* Child(QWidget* window, const char* name) {
  return window->findChild<T*>(QString::fromLatin1(name));
}

// ---- Listing a food group (ComboBox1Change) -------------------------------------

class QuietSink : public MessageSink {
  void Show(const std::string&) override {}
};

void BM_GroupFilter(benchmark::State& state) {
  const int group = static_cast<int>(state.range(0));
  ScratchDir dir;
  dir.Write(kFoodFileName, FoodFileBytes(kFoodLines));
  auto session = std::make_unique<DishSession>();
  TForm3 form(*session);
  form.show();  // the user chooses a group in a window on screen
  QApplication::processEvents();
  form.BitBtn3Click();  // loads the dish side's food table
  QComboBox* groups = Child<QComboBox>(&form, "ComboBox1");
  QListWidget* foods = Child<QListWidget>(&form, "ListBox2");
  {
    const QSignalBlocker quiet(groups);
    groups->setCurrentIndex(group - 1);
    if (group == kNoGroup) groups->setEditText(QString());
  }
  for (auto _ : state) form.ComboBox1Change();
  if ((foods->count() == 0) != (group == kNoGroup)) state.SkipWithError("unexpected listing");
  state.counters["foods"] = foods->count();
}
BENCHMARK(BM_GroupFilter)->Arg(kNoGroup)->Arg(kLargestGroup);

// Floor of the empty listing: one pass over the same rows comparing the first
// two bytes of the food number with the group's; no list is filled.
void BM_GroupFilter_Floor(benchmark::State& state) {
  const int group = static_cast<int>(state.range(0));
  const std::string key = group < 10 ? " " + std::to_string(group) : std::to_string(group);
  ScratchDir dir;
  dir.Write(kFoodFileName, FoodFileBytes(kFoodLines));
  auto table = std::make_unique<FoodTable>();
  QuietSink sink;
  LoadFoodTable(*table, sink);
  std::vector<int> rows;
  rows.reserve(kFoodLines);
  for (auto _ : state) {
    rows.clear();
    for (int r = 1; r <= table->rows(); ++r) {
      const std::string_view number = table->Cell(1, r);
      if (number.size() >= 2 && number[0] == key[0] && number[1] == key[1]) rows.push_back(r);
    }
    benchmark::DoNotOptimize(rows.data());
  }
  state.counters["foods"] = static_cast<double>(rows.size());
}
BENCHMARK(BM_GroupFilter_Floor)->Arg(kNoGroup);

// Floor of the largest listing: the same 471 texts, ready as QStrings, put
// into a list box of the same kind, which is all the filling must cost.
void BM_ListReadyStrings(benchmark::State& state) {
  ScratchDir dir;
  dir.Write(kFoodFileName, FoodFileBytes(kFoodLines));
  auto session = std::make_unique<DishSession>();
  QuietSink sink;
  session->LoadFood(sink);
  QStringList ready;
  for (const std::string& text : session->ListGroup(kLargestGroup - 1).shown)
    ready << QString::fromStdString(text);
  QWidget window;
  auto* list = new QListWidget(&window);
  window.show();
  QApplication::processEvents();
  for (auto _ : state) {
    list->clear();
    list->setUpdatesEnabled(false);
    for (const QString& text : ready) list->addItem(new QListWidgetItem(text));
    list->setUpdatesEnabled(true);
  }
  state.counters["foods"] = list->count();
}
BENCHMARK(BM_ListReadyStrings);

EIYOU_BENCH_COMPARE({"group filter, 2538 rows, none listed", "BM_GroupFilter/0",
                     "BM_GroupFilter_Floor/0", Goal::SecondsAtMost(100e-6)});
EIYOU_BENCH_COMPARE({"group 10 listed, 471 foods", "BM_GroupFilter/10", "BM_ListReadyStrings",
                     Goal::RatioAtMost(3)});

// ---- Opening the dish window (ListBox1 filled from the dish file) ------------------

// Ends a window's modal showing as soon as it is shown, noting when that was
// and how many dishes its list held.
class ShowCatcher : public QObject {
 public:
  explicit ShowCatcher(const char* window = "TForm3") : window_(window) {
    qApp->installEventFilter(this);
  }
  ~ShowCatcher() override { qApp->removeEventFilter(this); }

  qint64 shownAt = -1;
  int listed = -1;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::Show && shownAt < 0 && object->objectName() == window_) {
      shownAt = clock.nsecsElapsed();
      auto* window = static_cast<QDialog*>(object);
      listed = Child<QListWidget>(window, "ListBox1")->count();
      QPointer<QDialog> guard(window);
      QTimer::singleShot(0, window, [guard] {
        if (guard) guard->reject();
      });
    }
    return false;
  }

 public:
  QElapsedTimer clock;

 private:
  QString window_;
};

void WriteDishFile(const ScratchDir& dir, std::size_t count) {
  dir.Write(std::string(kDishDirName) + "/" + kDishFileName, JoinCrLf(DishLines(count)));
}

void BM_OpenDishWindow(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  ScratchDir dir;
  WriteDishFile(dir, count);
  auto session = std::make_unique<DishSession>();
  for (auto _ : state) {
    ShowCatcher catcher;
    catcher.clock.start();
    TForm3::Open(*session, nullptr);
    if (catcher.shownAt < 0 || catcher.listed != static_cast<int>(count)) {
      state.SkipWithError("the window did not open with every dish listed");
      break;
    }
    state.SetIterationTime(static_cast<double>(catcher.shownAt) * 1e-9);
  }
}
BENCHMARK(BM_OpenDishWindow)->Arg(300)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);

// Floor: the same window made, the same file read with the same reader, its
// lines sorted by their bytes and put into ListBox1 in one go (each item with
// its shown text and its bytes, as the window's items are), then shown the same
// way.
void BM_OpenDishWindow_Floor(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  ScratchDir dir;
  WriteDishFile(dir, count);
  auto session = std::make_unique<DishSession>();
  for (auto _ : state) {
    ShowCatcher catcher;
    catcher.clock.start();
    TForm3 form(*session);
    std::vector<std::string> lines = ReadDishFile(DishFilePath());
    std::stable_sort(lines.begin(), lines.end());
    QListWidget* list = Child<QListWidget>(&form, "ListBox1");
    for (const std::string& line : lines) AppendItem(list, line);
    form.exec();
    if (catcher.shownAt < 0 || catcher.listed != static_cast<int>(count)) {
      state.SkipWithError("the window did not show every dish");
      break;
    }
    state.SetIterationTime(static_cast<double>(catcher.shownAt) * 1e-9);
  }
}
BENCHMARK(BM_OpenDishWindow_Floor)
    ->Arg(300)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

EIYOU_BENCH_COMPARE({"dish window opening, 300 dishes", "BM_OpenDishWindow/300",
                     "BM_OpenDishWindow_Floor/300", Goal::None()});
EIYOU_BENCH_COMPARE({"dish window opening, 10000 dishes", "BM_OpenDishWindow/10000",
                     "BM_OpenDishWindow_Floor/10000", Goal::SecondsAtMost(50e-3)});

// ---- Opening the meal window (its tables loaded, ListBox1 filled) ----------------

void WriteMealData(const ScratchDir& dir, std::size_t dishes) {
  WriteDishFile(dir, dishes);
  dir.Write(kFoodFileName, FoodFileBytes(kFoodLines));
  dir.Write(kReferenceFileName, ReadFileBytes(SampleDataPath() + "/" + kReferenceFileName));
}

void BM_OpenMealWindow(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  ScratchDir dir;
  WriteMealData(dir, count);
  auto session = std::make_unique<MealSession>();
  for (auto _ : state) {
    ShowCatcher catcher("TForm4");
    catcher.clock.start();
    TForm4::Open(*session, nullptr);
    if (catcher.shownAt < 0 || catcher.listed != static_cast<int>(count)) {
      state.SkipWithError("the window did not open with every dish listed");
      break;
    }
    state.SetIterationTime(static_cast<double>(catcher.shownAt) * 1e-9);
  }
}
BENCHMARK(BM_OpenMealWindow)->Arg(300)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);

// Floor: the same window made and shown with its list filled from the same
// texts, ready as strings; no file is read.
void BM_OpenMealWindow_Floor(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  QStringList ready;
  for (const std::string& line : DishLines(count)) ready << QString::fromStdString(Cp932ToUtf8(line));
  auto session = std::make_unique<MealSession>();
  for (auto _ : state) {
    ShowCatcher catcher("TForm4");
    catcher.clock.start();
    TForm4 form(*session);
    QListWidget* list = Child<QListWidget>(&form, "ListBox1");
    list->setUpdatesEnabled(false);
    for (const QString& text : ready) list->addItem(text);
    list->setUpdatesEnabled(true);
    form.exec();
    if (catcher.shownAt < 0 || catcher.listed != static_cast<int>(count)) {
      state.SkipWithError("the window did not show every dish");
      break;
    }
    state.SetIterationTime(static_cast<double>(catcher.shownAt) * 1e-9);
  }
}
BENCHMARK(BM_OpenMealWindow_Floor)
    ->Arg(300)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

EIYOU_BENCH_COMPARE({"meal window opening, 10000 dishes", "BM_OpenMealWindow/10000",
                     "BM_OpenMealWindow_Floor/10000", Goal::SecondsAtMost(50e-3)});

// ---- The dish chart on the window's image -------------------------------------------

constexpr int kSurfaceWidth = 1169;   // the dish window's client area
constexpr int kSurfaceHeight = 817;

// A dish near its targets on most axes and far beyond them on one.
void DrawFullChart(RadarChart& chart, Canvas& canvas, Rgb face) {
  NutrientTotals totals{{900, 250, 100, 700, 20, 400, 50, 30, 60}};
  NutrientTargets targets;
  targets.EnergyTarget = 2100;
  targets.other = {600, 550, 600, 105, 1800, 110, 120, 100};
  // As the window redraws: back to the empty grid, then grid and outline.
  chart.FormDestroy(canvas, face, 0, 0);
  chart.DrawChart(canvas, totals, targets);
}

void BM_DrawDishChartOnImage(benchmark::State& state) {
  QImage image(kSurfaceWidth, kSurfaceHeight, QImage::Format_RGB32);
  image.fill(ButtonFace());
  ImageCanvas canvas(image);
  RadarChart chart(kDishChart);
  const Rgb face = ToRgb(ButtonFace());
  for (auto _ : state) {
    DrawFullChart(chart, canvas, face);
    benchmark::DoNotOptimize(image.constBits());
  }
  // The outline's blue must be on the image.
  if (image.pixelColor(chart.centreX(), chart.centreY() - 1) == ButtonFace() &&
      image.pixelColor(chart.RealToDispX(0), chart.RealToDispY(10)) == ButtonFace())
    state.SkipWithError("nothing was drawn");
}
BENCHMARK(BM_DrawDishChartOnImage);

// Floor: filling the same area of the same image once, as the erase step does.
void BM_DrawDishChartOnImage_Floor(benchmark::State& state) {
  QImage image(kSurfaceWidth, kSurfaceHeight, QImage::Format_RGB32);
  ImageCanvas canvas(image);
  canvas.SetBrush(ToRgb(ButtonFace()));
  for (auto _ : state) {
    canvas.FillRect(0, 0, kDishChart.paintLeft + kDishChart.paintWidth,
                    kDishChart.paintTop + kDishChart.paintHeight);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_DrawDishChartOnImage_Floor);

EIYOU_BENCH_COMPARE({"dish chart drawn on the window image", "BM_DrawDishChartOnImage",
                     "BM_DrawDishChartOnImage_Floor", Goal::None()});

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // As the program does: the numbers of the results file in the C form,
  // whatever the locale QApplication took from the environment.
  std::setlocale(LC_NUMERIC, "C");
  return RunBenchmarks(argc, argv);
}
