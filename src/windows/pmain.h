// The main window: the buttons that open the working windows or end the program.
#pragma once

#include <QWidget>
#include <memory>

class QLabel;

namespace eiyou {
struct Sessions;
}

class TForm1 : public QWidget {
  Q_OBJECT
 public:
  // Creates the program's sessions, which live as long as this window.
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  eiyou::Sessions& sessions() { return *sessions_; }

 public slots:
  void BitBtn1Click();
  void BitBtn2Click();
  void BitBtn3Click();
  void BitBtn4Click();
  void ImportButtonClick();
  void PeriodButtonClick();
  void TargetSetButtonClick();
  void FacilityButtonClick();
  void OrderSheetButtonClick();
  void MonthlyMenuButtonClick();
  void ServerSettingsButtonClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The note of where the data is kept, read afresh from the folder.
  void ShowStoreLocation();
  // Once, when first shown: a server that wants a password nothing gave is
  // asked about off the window's thread, then the user is asked.
  void AskServerPasswordOnce();

  std::unique_ptr<eiyou::Sessions> sessions_;
  QLabel* storeLocationLabel_ = nullptr;
  bool passwordAsked_ = false;
};
