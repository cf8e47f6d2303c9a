// The settings dialog (設定): where this data folder's data is kept, the
// computer's own file or a shared server, a test of the connection, and
// moving the folder's data to the server and back. The settings go to
// KONDATE/共有サーバー.TXT; a password never does.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QRadioButton;

namespace eiyou {
struct PgSettings;
struct ServerCheck;
struct TransferResult;
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
  void MoveToServerButtonClick();
  void MoveFromServerButtonClick();

 private:
  // The fields as settings; false, after telling the user, when they are not fit.
  bool ReadFields(eiyou::PgSettings& settings);
  // The connection test with the password of this run, asking for one the
  // server wants; `settings` then carry the password that worked.
  eiyou::ServerCheck Check(eiyou::PgSettings& settings);
  // A move, when the user answers `yes` to `question`: connects (asking for
  // a password as the test does), runs `move` under the wait cursor and shows
  // what it said. True when it moved.
  bool Moved(eiyou::PgSettings& settings, const std::string& question, const char* yes,
             const std::function<eiyou::TransferResult()>& move);
  // On a screen too low for the dialog, puts all but the buttons in a
  // scrolled area and the dialog's height to the screen's.
  void FitScreen();
  // Writes the folder's location (null: the file), as OK does, and closes.
  void SwitchTo(const eiyou::PgSettings* server);

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
