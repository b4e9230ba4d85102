// Every field a read-only walk (TMailFields::FillFromMail) reads of a
// message, as text with dates exact: the light reader and GMime's full
// parse must give the same text for a message.
#pragma once

#include "twktools/TWKtools.h"

#include <QStringList>

inline QString WalkEntryText(const TwkPtr<IRDOAddressEntry>& e) {
  return e ? e->Name() + QLatin1Char('|') + e->Address() : QStringLiteral("-");
}

inline QString WalkFields(IRDOMail* mail) {
  QStringList out;
  out << QStringLiteral("class ") + mail->MessageClass();
  out << QStringLiteral("sent %1").arg(mail->Sent());
  out << QStringLiteral("sender ") + WalkEntryText(mail->Sender());
  out << QStringLiteral("behalf ") + WalkEntryText(mail->SentOnBehalfOf());
  out << QStringLiteral("subject ") + mail->Subject();
  for (double d : {mail->SentOn(), mail->ReceivedTime(), mail->LastModificationTime(), mail->CreationTime()})
    out << QStringLiteral("date ") + QString::number(d, 'g', 17);
  const QVariant headers = mail->Fields(PR_TRANSPORT_MESSAGE_HEADERS);
  out << QStringLiteral("headers %1 ").arg(headers.isValid()) + headers.toString();
  out << QStringLiteral("flags ") + mail->Fields(PR_MESSAGE_FLAGS).toString();
  auto recipients = mail->Recipients();
  for (int i = 1; i <= recipients->Count(); ++i) {
    auto r = recipients->Item(i);
    out << QStringLiteral("to %1 %2 ").arg(r->Type()).arg(r->Resolved()) + r->Name() + QLatin1Char('|') + r->Address();
  }
  auto atts = mail->Attachments();
  for (int i = 1; i <= atts->Count(); ++i) {
    auto a = atts->Item(i);
    out << QStringLiteral("att %1 %2 ").arg(a->Type()).arg(a->Hidden()) + a->FileName();
  }
  return out.join(QLatin1Char('\n'));
}
