// The profile bar: whose intakes are judged, chosen once and shared. Every
// bar shows the one profile of the assessment's state and follows it; a
// choice in any of them is the profile's.
#pragma once

#include <QWidget>

#include "sessions/changes.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

namespace eiyou {

class AssessmentSession;

class ProfileBar : public QWidget {
  Q_OBJECT
 public:
  ProfileBar(AssessmentSession& state, QWidget* parent);
  // Shows the state's profile (and its target sets) without choosing anything.
  void ShowProfile();

 private:
  // The controls as they stand, made the profile.
  void Chosen();

  AssessmentSession& state_;
  Subscription following_;
  QComboBox* sex_;
  QSpinBox* age_;
  QSpinBox* months_;
  QComboBox* activity_;
  QComboBox* stage_;
  QCheckBox* menstruation_;
  QComboBox* reference_;
  bool showing_ = false;
};

}  // namespace eiyou
