// The assessment window (栄養評価): the profile bar, one row per nutrient
// judged against the profile's reference values, and the notes under them.
// Not modal: it stays beside the window that opened it, follows the profile
// and, through that window's side, the foods it judges.
#pragma once

#include <QWidget>
#include <functional>

#include "sessions/changes.h"

class QLabel;
class QTableWidget;

namespace eiyou {
class AssessmentSession;
class ProfileBar;
struct AssessmentView;
}  // namespace eiyou

class AssessmentWindow : public QWidget {
  Q_OBJECT
 public:
  using Reckon = std::function<eiyou::AssessmentView()>;
  AssessmentWindow(QWidget* owner, eiyou::AssessmentSession& state, Reckon reckon);

  // The owner's assessment window, made on first use, shown and brought up
  // with the assessment of the moment. `follow` subscribes to the owner's
  // side so that the window shows each change of its foods.
  static AssessmentWindow* Open(QWidget* owner, eiyou::AssessmentSession& state, Reckon reckon,
                                const std::function<eiyou::Subscription(std::function<void()>)>& follow = {});

  // Judges afresh and shows it.
  void ShowAssessment();
  QTableWidget* table() const { return table_; }

 private:
  eiyou::AssessmentSession& state_;
  Reckon reckon_;
  eiyou::ProfileBar* bar_;
  QLabel* subject_;
  QTableWidget* table_;
  QLabel* notes_;
  eiyou::Subscription profile_, side_;
};
