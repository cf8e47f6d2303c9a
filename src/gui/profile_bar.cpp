#include "gui/profile_bar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>

#include "gui/text.h"
#include "nutrition/profile.h"
#include "sessions/assessment_session.h"

namespace eiyou {

namespace {

// The choices of the reference before the user's target sets.
constexpr const char* kReferenceItems[] = {"食事摂取基準（最新版）", "食事摂取基準（2020年版）",
                                           "学校給食摂取基準"};
constexpr int kFixedReferences = 3;
constexpr const char* kTargetSetPrefix = "目標量セット：";

QComboBox* Box(QWidget* parent, const char* name, std::initializer_list<const char*> items,
               const char* hint) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  for (const char* item : items) box->addItem(U(item));
  box->setToolTip(U(hint));
  return box;
}

}  // namespace

ProfileBar::ProfileBar(AssessmentSession& state, QWidget* parent)
    : QWidget(parent), state_(state) {
  setObjectName("ProfileBar");
  setAccessibleName(U("評価する人"));
  sex_ = Box(this, "ProfileSex", {"男性", "女性"}, "性別を選択します");
  age_ = new QSpinBox(this);
  age_->setObjectName("ProfileAge");
  age_->setRange(0, 120);
  age_->setSuffix(U("歳"));
  age_->setToolTip(U("年齢（0歳は月齢も選択します）"));
  months_ = new QSpinBox(this);
  months_->setObjectName("ProfileMonths");
  months_->setRange(0, 11);
  months_->setSuffix(U("か月"));
  months_->setToolTip(U("0歳児の月齢"));
  // A typed age is taken when it is complete, not digit by digit.
  age_->setKeyboardTracking(false);
  months_->setKeyboardTracking(false);
  activity_ = Box(this, "ProfileActivity", {"低い", "ふつう", "高い"}, "身体活動レベルを選択します");
  stage_ = Box(this, "ProfileStage", {"なし", "妊娠初期", "妊娠中期", "妊娠後期", "授乳中"},
               "妊娠・授乳の別を選択します（女性のみ）");
  menstruation_ = new QCheckBox(U("月経あり"), this);
  menstruation_->setObjectName("ProfileMenstruation");
  menstruation_->setAccessibleName(U("月経あり"));
  menstruation_->setToolTip(U("鉄の基準値に月経ありの値を使います（10～64歳の女性）"));
  reference_ = Box(this, "ProfileReference", {}, "評価に使う基準を選択します");

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  const auto label = [&](const char* name, const char* text, QWidget* buddy) {
    auto* l = new QLabel(U(text), this);
    l->setObjectName(QString::fromLatin1(name));
    l->setBuddy(buddy);
    buddy->setAccessibleName(U(text));
    layout->addWidget(l);
    layout->addWidget(buddy);
    return l;
  };
  label("ProfileSexLabel", "性別", sex_);
  label("ProfileAgeLabel", "年齢", age_);
  layout->addWidget(months_);
  months_->setAccessibleName(U("月齢"));
  label("ProfileActivityLabel", "身体活動レベル", activity_);
  label("ProfileStageLabel", "妊娠・授乳", stage_);
  layout->addWidget(menstruation_);
  label("ProfileReferenceLabel", "基準", reference_);
  layout->addStretch(1);

  ShowProfile();
  for (QComboBox* box : {sex_, activity_, stage_, reference_})
    connect(box, &QComboBox::currentIndexChanged, this, &ProfileBar::Chosen);
  for (QSpinBox* spin : {age_, months_}) connect(spin, &QSpinBox::valueChanged, this, &ProfileBar::Chosen);
  connect(menstruation_, &QCheckBox::toggled, this, &ProfileBar::Chosen);
  following_ = state_.Subscribe([this](const AssessmentChange&) { ShowProfile(); });
}

void ProfileBar::ShowProfile() {
  showing_ = true;
  const Profile& p = state_.profile();
  sex_->setCurrentIndex(p.sex == Sex::Male ? 0 : 1);
  const bool months = p.age.cls == PeriodClass::Months;
  age_->setValue(months ? 0 : p.age.from);
  months_->setValue(months ? p.age.from : 0);
  months_->setVisible(months);
  activity_->setCurrentIndex(p.activity - 1);
  stage_->setCurrentIndex(static_cast<int>(p.stage));
  stage_->setEnabled(OffersStage(p));
  menstruation_->setChecked(Menstruating(p));
  menstruation_->setEnabled(OffersMenstruation(p));

  reference_->clear();
  for (const char* item : kReferenceItems) reference_->addItem(U(item));
  for (const std::string& name : state_.TargetSetNames())
    reference_->addItem(U(kTargetSetPrefix + name), U(name));
  int chosen = static_cast<int>(p.reference);
  if (!p.targetSet.empty()) {
    chosen = reference_->findData(U(p.targetSet));
    // A set no longer there is still named, so that the choice can be seen.
    if (chosen < 0) {
      reference_->addItem(U(kTargetSetPrefix + p.targetSet), U(p.targetSet));
      chosen = reference_->count() - 1;
    }
  }
  reference_->setCurrentIndex(chosen);
  showing_ = false;
}

void ProfileBar::Chosen() {
  if (showing_) return;
  Profile p = state_.profile();
  p.sex = sex_->currentIndex() == 0 ? Sex::Male : Sex::Female;
  // An exact age; 0 years is an age in months.
  const int years = age_->value();
  p.age = years > 0 ? Period{PeriodClass::Years, years, years}
                    : Period{PeriodClass::Months, months_->value(), months_->value()};
  p.activity = activity_->currentIndex() + 1;
  p.stage = static_cast<LifeStage>(std::max(0, stage_->currentIndex()));
  // Said only where it differs from what the age implies.
  p.menstruation.reset();
  if (OffersMenstruation(p) && menstruation_->isChecked() != MenstruatingByDefault(p))
    p.menstruation = menstruation_->isChecked();
  const int reference = reference_->currentIndex();
  if (reference >= kFixedReferences) {
    p.targetSet = Utf8Of(reference_->currentData().toString());
  } else {
    p.targetSet.clear();
    p.reference = static_cast<ReferenceChoice>(std::max(0, reference));
  }
  state_.ChooseProfile(Consistent(p));
  // A choice the state made no change of (the same profile) still shows it.
  ShowProfile();
}

}  // namespace eiyou
