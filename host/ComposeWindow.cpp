#include "host/ComposeWindow.h"

#include "core/Exception.h"
#include "core/RDOSession.h"
#include "host/MailSender.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>

namespace {
QLineEdit* Field(const QString& name, const QString& text) {
  auto* e = new QLineEdit(text);
  e->setAccessibleName(name);
  return e;
}
}  // namespace

TComposeWindow::TComposeWindow(const TComposedMail& mail, TRDOSession* session, TMailSender* sender, QWidget* parent)
    : QDialog(parent), FMail(mail), FSession(session), FSender(sender) {
  setWindowTitle(mail.Subject.isEmpty() ? QStringLiteral("Message") : mail.Subject);
  setAttribute(Qt::WA_DeleteOnClose);
  FTo = Field(QStringLiteral("To"), mail.To);
  FCc = Field(QStringLiteral("Cc"), mail.Cc);
  FSubject = Field(QStringLiteral("Subject"), mail.Subject);
  FBody = new QPlainTextEdit(mail.Body);
  FBody->setAccessibleName(QStringLiteral("Message"));
  FAttachments = new QListWidget;
  FAttachments->setAccessibleName(QStringLiteral("Attachments"));
  for (const TComposedAttachment& a : mail.Attachments) FAttachments->addItem(a.FileName);
  FAttachments->setVisible(!mail.Attachments.isEmpty());
  FAttachments->setMaximumHeight(90);
  FStatus = new QLabel;
  FStatus->setAccessibleName(QStringLiteral("Status"));

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&To:"), FTo);
  form->addRow(QStringLiteral("&Cc:"), FCc);
  form->addRow(QStringLiteral("&Subject:"), FSubject);
  auto* buttons = new QDialogButtonBox;
  QPushButton* send = buttons->addButton(QStringLiteral("&Send"), QDialogButtonBox::AcceptRole);
  send->setAccessibleName(QStringLiteral("Send"));
  buttons->addButton(QDialogButtonBox::Cancel);
  connect(send, &QPushButton::clicked, this, [this] { SendNow(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(FBody, 1);
  layout->addWidget(FAttachments);
  layout->addWidget(FStatus);
  layout->addWidget(buttons);
  resize(640, 480);
}

TComposedMail TComposeWindow::Mail() const {
  TComposedMail m = FMail;
  m.To = FTo->text();
  m.Cc = FCc->text();
  m.Subject = FSubject->text();
  m.Body = FBody->toPlainText();
  return m;
}

bool TComposeWindow::SendNow() {
  TComposedMail m = Mail();
  if (m.To.trimmed().isEmpty() && m.Cc.trimmed().isEmpty()) {
    QMessageBox::warning(this, QStringLiteral("Tarnwick"), QStringLiteral("Please enter at least one recipient"));
    return false;
  }
  try {
    if (const TwkPtr<IRDOAddressEntry> me = (*FSession)->CurrentUser()) {
      const QString name = me->Name(), address = me->Address();
      if (!address.isEmpty()) m.From = name.isEmpty() || name == address ? address : QStringLiteral("%1 <%2>").arg(name, address);
    }
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    const QByteArray bytes = ComposeMime(m, QDateTime::currentDateTime(), host.isEmpty() ? QByteArrayLiteral("localhost") : host);
    const TwkPtr<IRDOMail> mail = (*FSession)->GetMessageFromMIME(bytes);
    if (!FSender->Send(mail.get(), false)) {
      FStatus->setText(QStringLiteral("Sending was cancelled: the message was not sent"));
      return false;
    }
  } catch (const std::exception& e) {
    QMessageBox::critical(this, QStringLiteral("Tarnwick"), QString::fromUtf8(e.what()));
    return false;
  }
  accept();
  return true;
}
