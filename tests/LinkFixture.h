// Stores for the link engines: messages built here as plain MIME text (link
// attachments with the bytes of a real link file, shell links from
// tests/tools/lnkwriter.py), placed by tests/tools/mkmaildir.py, opened
// through the real component, read back by tests/tools/engstore.py.
#pragma once

#include "core/LinkRoots.h"
#include "core/Options.h"
#include "core/RDOSession.h"
#include "core/RedemptionTools.h"
#include "core/TWKLink.h"
#include "core/uRedemptionLoader.h"
#include "tests/MaildirFixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QSettings>

// One attachment of a built message.
struct TMimeAtt {
  QString Name;
  QByteArray Bytes;
};

enum class TMsgKind { Note, Signed, Meeting, Report };

// A message as RFC 5322 text; attachments base64-encoded.
inline QByteArray BuildMime(const QString& subject, const QList<TMimeAtt>& atts, TMsgKind kind = TMsgKind::Note) {
  QByteArray m = "From: Sender <sender@example.org>\r\nTo: Rcpt <rcpt@example.org>\r\nSubject: " + subject.toUtf8() +
                 "\r\nDate: Tue, 14 Nov 2023 22:13:20 +0000\r\nMessage-ID: <" +
                 QCryptographicHash::hash(subject.toUtf8(), QCryptographicHash::Md5).toHex() +
                 "@links>\r\nMIME-Version: 1.0\r\n";
  QByteArray inner = "--in\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nBody.\r\n";
  if (kind == TMsgKind::Meeting)
    inner += "--in\r\nContent-Type: text/calendar; method=REQUEST; charset=utf-8\r\n\r\n"
             "BEGIN:VCALENDAR\r\nMETHOD:REQUEST\r\nBEGIN:VEVENT\r\nSUMMARY:x\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
  if (kind == TMsgKind::Report)
    inner += "--in\r\nContent-Type: message/delivery-status\r\n\r\nReporting-MTA: dns; example.org\r\n\r\n"
             "Final-Recipient: rfc822; a@example.org\r\nAction: failed\r\nStatus: 5.0.0\r\n";
  for (const TMimeAtt& a : atts)
    inner += "--in\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; filename=\"" +
             a.Name.toUtf8() + "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
             a.Bytes.toBase64() + "\r\n";
  inner += "--in--\r\n";
  const QByteArray type = kind == TMsgKind::Report ? "multipart/report; report-type=delivery-status" : "multipart/mixed";
  if (kind != TMsgKind::Signed) return m + "Content-Type: " + type + "; boundary=\"in\"\r\n\r\n" + inner;
  return m + "Content-Type: multipart/signed; protocol=\"application/pkcs7-signature\"; micalg=sha-256; "
             "boundary=\"out\"\r\n\r\n--out\r\nContent-Type: multipart/mixed; boundary=\"in\"\r\n\r\n" +
         inner +
         "--out\r\nContent-Type: application/pkcs7-signature; name=\"smime.p7s\"\r\n"
         "Content-Transfer-Encoding: base64\r\n\r\nMIAGCSqGSIb3DQEHAqCAMIACAQE=\r\n--out--\r\n";
}

inline QString Sha256Hex(const QByteArray& bytes) {
  return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// The bytes of a link to target, spelled out from the format: UTF-16LE with
// byte order mark, "TWK" and the target on two CR LF lines.
inline QByteArray LinkBytes(const QString& target) {
  const QString text = QStringLiteral("TWK\r\n") + target + QStringLiteral("\r\n");
  return QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

class TLinkStoreTest : public ::testing::Test {
protected:
  // Qt keeps the settings file's place of the first use for the whole
  // program, so each test starts from no recorded link directories.
  TLinkStoreTest() { OpenSettings().remove(QStringLiteral("LinkRoots")); }

  TIsolatedUser User;
  TScratchDir Scratch;

  QString Store() const { return Scratch.Path() + QStringLiteral("/store"); }
  // A file below the scratch directory with the given bytes.
  QString PutFile(const QString& relative, const QByteArray& bytes) const {
    Scratch.Write(relative, bytes);
    return Scratch.File(relative);
  }
  // A Windows shell link naming a local path, from the published format.
  QByteArray ShellLinkBytes(const QString& windowsPath) const {
    const QString out = Scratch.File(QStringLiteral("shell.lnk"));
    const TRunResult r = RunProgram(DebianPython(), {TestToolPath(QStringLiteral("lnkwriter.py")), out, QStringLiteral("local"),
                                                     windowsPath});
    EXPECT_EQ(r.ExitCode, 0) << r.Stderr.constData();
    QFile f(out);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  // folders: display name ("Inbox", "Inbox/Sub") -> built messages, delivered
  // in list order. Replaces the store of an earlier call.
  void WriteStore(const QList<std::pair<QString, QList<QByteArray>>>& folders, const QStringList& plain = {}) {
    FSession.reset();
    QDir(Store()).removeRecursively();
    QJsonObject plan{{"layout", "nested"}, {"plain", QJsonArray::fromStringList(plain)}};
    QJsonObject boxes;
    int n = 0;
    for (const auto& [name, messages] : folders) {
      QJsonArray list;
      for (const QByteArray& m : messages) {
        ++n;
        list.append(QJsonObject{{"file", PutFile(QStringLiteral("eml/%1.eml").arg(n), m)},
                                {"time", 1700000000 + n},
                                {"subdir", "cur"},
                                {"flags", "S"}});
      }
      boxes[name] = list;
    }
    plan["folders"] = boxes;
    MakeMaildir(Store(), QJsonDocument(plan).toJson());
  }

  // The logged-on session on the store (opened at the first call).
  IRDOSession* Session() {
    if (!FSession) {
      qputenv("MAILDIR", Store().toUtf8());
      qunsetenv("TWK_PROFILE");
      // One loader for the whole program: the component is loaded once.
      GlobalRedemptionLoader().SetDllLocation64Bit(BinPath(QStringLiteral("TWKtools64.so")));
      FSession = std::make_unique<TRDOSession>();
      FSession->ConnectTo(GlobalRedemptionLoader().new_RDOSession());
      FSession->Logon();
    }
    return FSession->Intf();
  }
  // The folder below the Inbox's store by its path from the Inbox
  // ("" for the Inbox, "Sub\\Deep").
  TwkPtr<IRDOFolder> Folder(const QString& belowInbox = QString()) {
    const QString inbox = Session()->GetDefaultFolder(olFolderInbox)->FolderPath();
    return FindFolderByPath(Session(), belowInbox.isEmpty() ? inbox : inbox + QLatin1Char('\\') + belowInbox);
  }

  // The store as Python's email package reads it: folder directory -> messages.
  QJsonObject ReadStore() const {
    const TRunResult r =
        RunProgram(DebianPython(), {TestToolPath(QStringLiteral("engstore.py")), QStringLiteral("read"), Store()});
    EXPECT_EQ(r.ExitCode, 0) << r.Stderr.constData();
    return QJsonDocument::fromJson(r.Stdout).object();
  }
  // "name sha256-prefix" of every named attachment of the messages of a folder
  // directory, message by message in delivery order.
  QList<QStringList> Atts(const QString& dir = QStringLiteral("INBOX")) const {
    QList<QStringList> out;
    for (const QJsonValue& m : ReadStore()[dir].toArray()) {
      QStringList names;
      for (const QJsonValue& a : m["atts"].toArray())
        if (!a["name"].toString().isEmpty())  // the reader lists unnamed parts (a calendar, a report) too
          names << a["name"].toString() + QLatin1Char(' ') + a["sha256"].toString().left(12);
      names.sort();
      out << names;
    }
    return out;
  }
  static QString Att(const QString& name, const QByteArray& bytes) {
    return name + QLatin1Char(' ') + Sha256Hex(bytes).left(12);
  }

  // A directory the system wrote links for.
  static void Trust(const QString& dir) { ASSERT_TRUE(TLinkRoots().Record(dir)); }

private:
  std::unique_ptr<TRDOSession> FSession;
};
