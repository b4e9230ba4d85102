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
#include "tests/LinkMime.h"
#include "tests/MaildirFixture.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QSettings>

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
  TRDOSession& RDOSession() {
    Session();
    return *FSession;
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
