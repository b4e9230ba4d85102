// The compose window of a forward or reply: To, Cc, Subject, a plain-text
// body and the attachments it carries (shown, not editable). Send hands the
// message to the mail sender; a cancel in the item-send questions or a
// failure keeps the window open with everything typed.
#pragma once

#include "core/ComposeMail.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class TMailSender;
class TRDOSession;

class TComposeWindow final : public QDialog {
  Q_OBJECT

public:
  TComposeWindow(const TComposedMail& mail, TRDOSession* session, TMailSender* sender, QWidget* parent = nullptr);
  // The message as the fields now say.
  TComposedMail Mail() const;
  // Sends; true when the message went out (the window then closes).
  bool SendNow();

private:
  TComposedMail FMail;
  TRDOSession* FSession;
  TMailSender* FSender;
  QLineEdit* FTo;
  QLineEdit* FCc;
  QLineEdit* FSubject;
  QPlainTextEdit* FBody;
  QListWidget* FAttachments;
  QLabel* FStatus;
};
