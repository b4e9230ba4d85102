#include "addin/forms/FrmMain.h"

#include "addin/forms/DM.h"

#include <QCloseEvent>

TFormMain::TFormMain(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Tarnwick"));
  setWindowIcon(ProductIcon());
}

TFormMain::~TFormMain() = default;

void TFormMain::Execute() { exec(); }

void TFormMain::done(int result) { QDialog::done(result); }

void TFormMain::closeEvent(QCloseEvent* event) { QDialog::closeEvent(event); }
