#include "host/MailSender.h"

#include "core/Exception.h"
#include "core/RDOSession.h"
#include "core/SendHandlers.h"
#include "core/Sendmail.h"

QStringList SentFolderNames() {
  return {QStringLiteral("Sent"), QStringLiteral("Sent Items"), QStringLiteral("Sent Messages")};
}

QStringList DraftFolderNames() { return {QStringLiteral("Drafts")}; }

TwkPtr<IRDOFolder> FindTopFolder(TRDOSession* session, const QStringList& names) {
  if (!session || !session->Intf()) return {};
  const TwkPtr<IRDOStore> store = (*session)->Stores()->DefaultStore();
  if (!store) return {};
  const TwkPtr<IRDOFolders> folders = store->RootFolder()->Folders();
  for (const QString& name : names)
    if (TwkPtr<IRDOFolder> f = folders->ItemByName(name)) return f;
  return {};
}

bool TMailSender::Send(IRDOMail* mail, bool storedDraft) {
  bool cancel = false;
  if (FItemSend) FItemSend(mail, cancel);
  if (cancel) return false;
  const QByteArray bytes = mail->MimeContent();
  const QString program = SendmailProgram();
  QByteArray output;
  // -t: the recipients are read from the message's To and Cc.
  const int rc = RunSendmail(program, {QStringLiteral("-i"), QStringLiteral("-t")}, bytes, &output);
  if (rc != 0)
    throw Exception(QStringLiteral("The sendmail program \"%1\" failed with exit code %2: the message was not sent\n%3")
                        .arg(program)
                        .arg(rc)
                        .arg(QString::fromLocal8Bit(output).trimmed()));
  if (const TwkPtr<IRDOFolder> sent = FindTopFolder(FSession, SentFolderNames())) {
    if (storedDraft)
      mail->Move(sent.get());
    else
      mail->CopyTo(sent.get());
  }
  return true;
}
