#include "addin/forms/MsgBox.h"

#include <QMessageBox>

namespace {

TMsgBoxHook& Hook() {
  static TMsgBoxHook hook;
  return hook;
}

const QString kCaption = QStringLiteral("Tarnwick");

}  // namespace

void SetMsgBoxHook(TMsgBoxHook hook) { Hook() = std::move(hook); }

bool AskYesNo(QWidget* owner, const QString& text) {
  if (Hook()) return Hook()(owner, true, text);
  return QMessageBox::question(owner, kCaption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
         QMessageBox::Yes;
}

void ShowError(QWidget* owner, const QString& text) {
  if (Hook()) {
    Hook()(owner, false, text);
    return;
  }
  QMessageBox::critical(owner, kCaption, text);
}
