#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About window: the program's title, version, description and terms of
// use, and a button that opens the program's web page. Shown modally by the
// main window, which creates it afresh each time.
class frmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit frmAbout(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;  // draws the etched separator Line1
  void showEvent(QShowEvent* event) override;    // centres the window on its screen

 private slots:
  void openHomePage();  // cmdSysInfo "WWW"

 private:
  QLabel* picIcon_;
  QLabel* lblTitle_;
  QLabel* lblVersion_;
  QLabel* lblDescription_;
  QLabel* lblDisclaimer_;
  QPushButton* cmdOK_;
  QPushButton* cmdSysInfo_;
};
