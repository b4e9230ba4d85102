// A copy from an mbox store (read in place) into a folder of a real Dovecot:
// the message arrives as its bytes without the "From " line and unquoted,
// with its received time as the server's arrival time and its read flag.
#include "support/DovecotServer.h"
#include "twktools/TWKtools.h"
#include "twktools/session/Session.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

TEST(MboxToImap, CopyKeepsBytesTimeAndReadFlag) {
  TIsolatedUser user;
  TScratchDir scratch;
  TDovecot server(scratch.Path() + "/mail");
  ASSERT_TRUE(server.Started()) << server.Error().toStdString();
  auto ctl = [&](const QStringList& args) {
    const TRunResult r = RunProgram(DebianPython(),
                                    QStringList{TestToolPath("imapctl.py"), QString::number(server.Port()),
                                                QString::fromLatin1(TDovecot::kPassword)} + args);
    EXPECT_EQ(r.ExitCode, 0) << r.Stderr.constData();
    return r.Stdout;
  };
  ctl({"create", "Archive"});
  const QByteArray unread = "X-Mozilla-Status: 0000\r\nFrom: a@example.org\r\nSubject: unread\r\n\r\n>From the top\r\n";
  const QByteArray read = "X-Mozilla-Status: 0001\r\nFrom: a@example.org\r\nSubject: read\r\n\r\nbody\r\n";
  scratch.Write("Takeout.mbox", "From 1@xxx Sat Jan 03 12:34:56 +0000 2015\r\n" + unread + "\r\n" +
                                    "From 2@xxx Sun Jan 04 00:00:00 +0000 2015\r\n" + read + "\r\n");
  scratch.Write("profile.conf", (server.StoreSection("Mail") + "\n[store]\ntype = mbox\npath = " +
                                 scratch.File("Takeout.mbox") + "\n").toUtf8());
  qputenv("TWK_PROFILE", scratch.File("profile.conf").toUtf8());
  auto session = TwkPtr<IRDOSession>::Adopt(new twksession::TSession);
  session->Logon();
  const TwkPtr<IRDOStores> stores = session->Stores();
  ASSERT_EQ(stores->Count(), 2);
  const TwkPtr<IRDOFolder> dest = stores->Item(1)->RootFolder()->Folders()->ItemByName("Archive");
  const TwkPtr<IRDOItems> items = stores->Item(2)->RootFolder()->Folders()->Item(1)->Items();
  ASSERT_EQ(items->Count(), 2);
  EXPECT_EQ(items->Item(1)->CopyTo(dest.get())->Subject(), "unread");
  items->Item(2)->CopyTo(dest.get());
  const QJsonArray messages = QJsonDocument::fromJson(ctl({"messages", "Archive"})).array();
  ASSERT_EQ(messages.size(), 2);
  EXPECT_EQ(messages[0]["flags"].toArray(), QJsonArray());
  EXPECT_EQ(messages[0]["date"].toInt(), 1420288496);  // the From line's date
  EXPECT_EQ(messages[1]["flags"].toArray(), QJsonArray({"\\Seen"}));
  EXPECT_EQ(ctl({"raw", "Archive", QString::number(messages[0]["uid"].toInt())}),
            QByteArray(unread).replace(">From", "From"));
  session->Logoff();
}

}  // namespace
