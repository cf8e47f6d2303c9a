// The settings dialog (設定): where this data folder's data is kept, the
// computer's own file or a shared server, and a test of the connection. The
// settings go to KONDATE/共有サーバー.TXT; a password never does.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QRadioButton;

namespace eiyou {
struct PgSettings;
}

class ServerSettingsWindow : public QDialog {
  Q_OBJECT
 public:
  // Shows the dialog modally for `dataDir`; true when OK changed the settings.
  static bool Open(const std::string& dataDir, QWidget* parent);
  explicit ServerSettingsWindow(std::string dataDir, QWidget* parent = nullptr);

  // Asks for the server's password (shown as dots) and keeps it for the run
  // only (RememberServerPassword); false when the user gave none.
  static bool AskPassword(QWidget* parent, const eiyou::PgSettings& settings);

 public slots:
  void ChoiceChange();
  void TestButtonClick();
  void OkButtonClick();

 private:
  // The fields as settings; false, after telling the user, when they are not fit.
  bool ReadFields(eiyou::PgSettings& settings);

  std::string dataDir_;
  bool fixed_ = false;  // EIYOU_SERVER decides: nothing here is changed
  QRadioButton* FileChoice;
  QRadioButton* ServerChoice;
  QLineEdit* HostEdit;
  QLineEdit* PortEdit;
  QLineEdit* DatabaseEdit;
  QLineEdit* UserEdit;
  QLineEdit* ServiceEdit;
  QLabel* SourceNote;
};
