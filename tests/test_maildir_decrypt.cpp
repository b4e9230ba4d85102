// Decrypted copies of signed and encrypted messages: S/MIME detached and
// opaque signatures, S/MIME enveloped data and PGP/MIME encryption, with keys
// made for the test in its own GNUPGHOME; the copy is then saved in every
// format and read back like any other message.
#include "support/TestSupport.h"
#include "twktools/formats/SaveAs.h"
#include "twktools/maildir/Backend.h"
#include "twktools/maildir/decrypt.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

class DecryptedCopy : public testing::TestWithParam<const char*> {
public:
  static void SetUpTestSuite() {
    FDir = new TScratchDir;
    FOldHome = qgetenv("GNUPGHOME");
    FHadHome = qEnvironmentVariableIsSet("GNUPGHOME");
    qputenv("GNUPGHOME", (FDir->Path() + QStringLiteral("/gnupg")).toLocal8Bit());
    const TRunResult r = RunProgram(DebianPython(), {TestToolPath(QStringLiteral("fmt_crypto.py")), FDir->Path()});
    // Kept for SetUp: a failure here alone would only show the tests as skipped.
    if (r.ExitCode != 0) FSetupError = "fmt_crypto.py failed: " + r.Stderr.toStdString();
  }
  void SetUp() override {
    if (!FSetupError.empty()) FAIL() << FSetupError;
  }
  static void TearDownTestSuite() {
    // The agents started for the test's key ring end with it.
    RunProgram(QStringLiteral("gpgconf"), {QStringLiteral("--kill"), QStringLiteral("all")});
    if (FHadHome)
      qputenv("GNUPGHOME", FOldHome);
    else
      qunsetenv("GNUPGHOME");
    delete FDir;
    FDir = nullptr;
  }
  static QByteArray Read(const QString& name) {
    QFile f(FDir->Path() + u'/' + name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    return f.readAll();
  }
  static QString Dir() { return FDir->Path(); }

private:
  static inline TScratchDir* FDir = nullptr;
  static inline QByteArray FOldHome;
  static inline bool FHadHome = false;
  static inline std::string FSetupError;
};

const std::pair<int, const char*> kFormats[] = {{olRFC822, ".eml"}, {olTXT, ".txt"},         {olHTML, ".htm"},
                                                {olMHTML, ".mht"},  {olMSGUnicode, "-u.msg"}, {olMSG, ".msg"},
                                                {olRTF, ".rtf"}};

}  // namespace

TEST_P(DecryptedCopy, HoldsTheContentUnderTheOuterHeaders) {
  const QString name = QString::fromLatin1(GetParam());
  const QByteArray copy = twkmaildir::DecryptedMime(Read(name + QStringLiteral(".eml")));
  TScratchDir out;
  out.Write(name + QStringLiteral(".decrypted"), copy);
  TwkPtr<IRDOMail> mail = twkmaildir::OpenLooseMessage(copy, QString());
  ASSERT_TRUE(mail);
  const QString base = out.File(name);
  for (const auto& [code, suffix] : kFormats) twkformats::SaveMessageAs(mail.get(), base + QLatin1String(suffix), code);
  const TRunResult r = RunProgram(DebianPython(), {TestToolPath(QStringLiteral("fmt_check.py")),
                                                   Dir() + u'/' + name + QStringLiteral(".json"), base,
                                                   out.File(name + QStringLiteral(".decrypted"))});
  EXPECT_EQ(r.ExitCode, 0) << r.Stdout.toStdString() << r.Stderr.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Kinds, DecryptedCopy,
                         testing::Values("smime-detached", "smime-opaque", "smime-enveloped", "pgp-encrypted"));

// Without the key the request fails with GPGME's reason; a message that is
// neither signed nor encrypted has no decrypted copy.
TEST_F(DecryptedCopy, FailsWithoutTheKeyOrTheNeed) {
  try {
    twkmaildir::DecryptedMime(Read(QStringLiteral("nokey.eml")));
    ADD_FAILURE() << "decrypted without the key";
  } catch (const EComError& e) {
    EXPECT_EQ(e.ErrorCode(), E_FAIL);
    EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot decrypt the message: "))) << e.Message().toStdString();
  }
  for (const char* plain : {"From: a@example.org\r\nSubject: x\r\n\r\nbody\r\n", "", "not a message at all"}) {
    try {
      twkmaildir::DecryptedMime(QByteArray(plain));
      ADD_FAILURE() << "a copy of a plain message: " << plain;
    } catch (const EComError& e) {
      EXPECT_EQ(e.ErrorCode(), MAPI_E_NO_SUPPORT);
    }
  }
  // A damaged enveloped body: an error, not a crash or an empty copy.
  QByteArray damaged = Read(QStringLiteral("smime-enveloped.eml"));
  damaged.truncate(damaged.size() - 200);
  EXPECT_THROW(twkmaildir::DecryptedMime(damaged), EComError);
}
