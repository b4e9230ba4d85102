// `twk mask preview`: the engine's own resolver on one message file.
#include "test_engine_fixture.h"

namespace {

class MaskPreview : public TEngineTest {};

TEST_F(MaskPreview, ResolvesLikeARun) {
  WriteStore(QJsonObject{{"Inbox", QJsonArray{QJsonObject{{"subject", "Report: Q1/Q2?"},
                                                           {"from", "Ann Alder <ann@example.org>"},
                                                           {"time", 1700000000}}}}});
  const QString message = Store() + "/" + ReadStore()["INBOX"][0]["file"].toString();
  const QStringList folder{"--folder", "\\\\Maildir\\Inbox\\Projects", "--relative", "\\Projects"};
  struct TCase {
    QStringList Args;
    int Exit;
    QString Out;
    const char* Err = "";
  } cases[] = {
      {{"[EYYYY]\\[SN]\\[B]", "--message", message}, 0, "2023\\Ann Alder\\Report Q1Q2\n"},
      {QStringList{"[OR]\\[ON]\\[SE]", "--message", message} + folder, 0, "Projects\\Projects\\ann@example.org\n"},
      {QStringList{"[F]-[EDD].[E]", "--message", message, "--attachment", "a.b.pdf"}, 0, "a.b-14.pdf\n"},
      {{"x\\\\y", "--message", message}, 1, "", "Invalid mask: x\\\\y"},
      {{"[FE]", "--message", message}, 1, "", "Invalid mask: [FE]"},
      {{"[B]"}, 1, "", "--message FILE is missing"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Args.join(' ').toStdString());
    const TRunResult r = RunProgram(BinPath("twk"), QStringList{"mask", "preview"} + c.Args, {}, Env());
    EXPECT_EQ(r.ExitCode, c.Exit) << r.Stderr.constData();
    EXPECT_EQ(QString::fromUtf8(r.Stdout), c.Out);
    EXPECT_TRUE(r.Stderr.contains(c.Err)) << r.Stderr.constData();
  }
  const TRunResult missing = RunProgram(BinPath("twk"), {"mask", "preview", "[B]", "--message", "/no/such.eml"}, {}, Env());
  EXPECT_EQ(missing.ExitCode, 1);
  EXPECT_TRUE(missing.Stderr.contains("/no/such.eml: no such message file"));
}

}  // namespace
