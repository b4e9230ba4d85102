#include "twktools/mbox/message.h"

#include "twktools/formats/SaveAs.h"
#include "twktools/maildir/Backend.h"
#include "twktools/maildir/copy.h"
#include "twktools/maildir/datevalue.h"
#include "twktools/mbox/ids.h"

#include <QDateTime>
#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>

namespace twkmbox {

TwkPtr<IRDOMail> TMboxMessage::Open(TwkPtr<TMboxFolder> folder, const TMboxEntry& entry) {
  return TwkPtr<IRDOMail>::Adopt(new TMboxMessage(std::move(folder), entry));
}

QString TMboxMessage::EntryID() {
  return MessageEntryID(FFolder->OwnerStore()->StoreKey(), FFolder->Key(), FEntry.FromOffset, FEntry.Check);
}

const QByteArray& TMboxMessage::Bytes() {
  if (FRead) return FBytes;
  const QString path = FFolder->MboxFile();
  auto gone = [&] {
    return EComError(MAPI_E_NOT_FOUND,
                     QStringLiteral("The message is no longer in \"%1\" (the file was changed by another program)").arg(path));
  };
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) throw gone();
  if (f.size() < FEntry.End || !f.seek(FEntry.Start)) throw gone();
  const qint64 length = FEntry.End - FEntry.Start;
  // The first bytes tell whether the same message is still there; as the
  // scan hashed them, they run on past a message shorter than that.
  QByteArray stored = f.read(std::max<qint64>(length, kCheckBytes));
  if (stored.size() < length) throw gone();
  if (CheckOf(stored.constData(), std::min<qsizetype>(stored.size(), kCheckBytes)) != FEntry.Check) throw gone();
  stored.truncate(length);
  FBytes = UnquoteMboxrd(stored);
  FRead = true;
  return FBytes;
}

IRDOMail* TMboxMessage::Inner() {
  if (!FInner) FInner = twkmaildir::OpenLooseMessage(Bytes(), QString());
  return FInner.get();
}

std::optional<std::int64_t> NewestReceived(const QByteArray& message) {
  std::optional<std::int64_t> newest;
  QByteArray current;
  auto finish = [&] {
    if (current.size() > 9 && qstrnicmp(current.constData(), "received:", 9) == 0)
      if (const auto t = twkmaildir::ReceivedDateOf(current.mid(9).constData()); t && (!newest || *t > *newest)) newest = t;
    current.clear();
  };
  qsizetype pos = 0;
  while (pos < message.size()) {
    const qsizetype nl = message.indexOf('\n', pos);
    const qsizetype end = nl < 0 ? message.size() : nl;
    QByteArray line = message.mid(pos, end - pos);
    if (line.endsWith('\r')) line.chop(1);
    pos = end + 1;
    if (line.isEmpty()) break;
    if ((line[0] == ' ' || line[0] == '\t') && !current.isEmpty()) {
      current += ' ' + line.trimmed();
    } else {
      finish();
      current = line;
    }
  }
  finish();
  return newest;
}

std::int64_t TMboxMessage::ArrivalSeconds() {
  if (!FArrival) {
    const auto received = NewestReceived(Bytes());
    FArrival = received ? *received : FEntry.FromDate;
  }
  return *FArrival;
}

TDateTimeValue TMboxMessage::ReceivedTime() {
  const std::int64_t t = ArrivalSeconds();
  return t > 0 ? twkmaildir::DateValueFromUnix(t) : 0;
}

QVariant TMboxMessage::Fields(std::uint32_t propTag) {
  if (propTag == PR_MESSAGE_FLAGS) {
    const int flags = Inner()->Fields(propTag).toInt();
    return FEntry.Read ? (flags | 1) : (flags & ~1);
  }
  return Inner()->Fields(propTag);
}

void TMboxMessage::SaveAs(const QString& path, int format) { twkformats::SaveMessageAs(this, path, format); }

TwkPtr<IRDOMail> TMboxMessage::CopyTo(IRDOFolder* folder) {
  if (auto* other = dynamic_cast<TMboxFolder*>(folder)) other->OwnerStore()->RaiseReadOnly();
  std::int64_t arrival = ArrivalSeconds();
  if (arrival <= 0) arrival = QDateTime::currentSecsSinceEpoch();
  return twkmaildir::CopyArchivedMessage(folder, Bytes(), UnRead(), arrival);
}

HRESULT TMboxMessage::QueryInterface(const IID& iid, void** object) {
  if (object && iid == IID_IRDOEncryptedMessage) {
    *object = nullptr;
    if (!MessageClass().startsWith(QLatin1String("IPM.Note.SMIME"))) return E_NOINTERFACE;
    return Inner()->QueryInterface(iid, object);
  }
  return TComObject<IRDOMail>::QueryInterface(iid, object);
}

}  // namespace twkmbox
