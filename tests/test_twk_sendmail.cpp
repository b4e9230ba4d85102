// `twk sendmail` as a process, with a recording fake sendmail as "Sendmail":
// the message it receives byte for byte (read back by Python's email package
// where it changed), its arguments and exit code, no terminal, a terminal
// (a pty driven by Debian's Python), cancel, and input that is no message.
#include "core/LinkRoots.h"
#include "tests/SendFixture.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Runs a command on a new pseudo-terminal (its controlling terminal), stdin
// from a file, stdout and stderr to a file; answers each prompt ending in
// "cancel]: " ... with the next letter. Prints the terminal's transcript and
// exits with the command's exit code.
const char* const kPtyDriver = R"PY(
import os, pty, select, sys, time
msg, out, answers, cmd = sys.argv[1], sys.argv[2], list(sys.argv[3]), sys.argv[4:]
pid, fd = pty.fork()
if pid == 0:
    os.set_inheritable(os.dup(0), True)  # the terminal stays open while stdin is the file
    os.dup2(os.open(msg, os.O_RDONLY), 0)
    o = os.open(out, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
    os.dup2(o, 1)
    os.dup2(o, 2)
    os.execv(cmd[0], cmd)
seen, prompts, end = b"", 0, time.time() + 60
while time.time() < end:
    r, _, _ = select.select([fd], [], [], 1)
    if not r:
        continue
    try:
        data = os.read(fd, 4096)
    except OSError:
        break
    if not data:
        break
    seen += data
    while seen.count(b"ancel: ") > prompts:
        prompts += 1
        os.write(fd, (answers.pop(0) if answers else "c").encode() + b"\n")
_, status = os.waitpid(pid, 0)
sys.stdout.write(seen.decode("utf-8", "replace"))
sys.exit(os.waitstatus_to_exitcode(status))
)PY";

// Prints the attachments of a message file as JSON: [{"name", "hex"}].
const char* const kReadAttachments = R"PY(
import email, email.policy, json, sys
m = email.message_from_binary_file(open(sys.argv[1], "rb"), policy=email.policy.default)
print(json.dumps({"bcc": str(m["Bcc"]), "subject": str(m["Subject"]),
                  "atts": [{"name": p.get_filename(), "hex": p.get_content().hex()
                            if isinstance(p.get_content(), bytes) else p.get_content().encode().hex()}
                           for p in m.iter_attachments()]}))
)PY";

class TwkSendmail : public ::testing::Test {
protected:
  void SetUp() override {
    FDir.Write("fake/code", "0");
    FDir.Write("sendmail.sh", "#!/bin/sh\nd='" + FDir.Path().toUtf8() +
                                  "/fake'\n: > \"$d/argv\"\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$d/argv\"; "
                                  "done\ncat > \"$d/stdin\"\nexit $(cat \"$d/code\")\n");
    QFile::setPermissions(FDir.File("sendmail.sh"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    ASSERT_EQ(Twk({"options", "set", "Sendmail", FDir.File("sendmail.sh")}).ExitCode, 0);
    // Binary bytes with NULs, counted from the literal itself (it has 15).
    static constexpr char kPdf[] = "%PDF\x00\x01\x02 bytes\r\n";
    FDir.Write("export/report.pdf", QByteArray(kPdf, sizeof kPdf - 1));
    TLinkRoots roots;
    ASSERT_TRUE(roots.Record(FDir.Path() + "/export"));
  }
  TRunResult Twk(const QStringList& args, const QByteArray& input = {}) const {
    return RunProgram(BinPath("twk"), args, input, FUser.Environment());
  }
  void SetSendOptions(const char* mode) const {
    ASSERT_EQ(Twk({"options", "set", "SendOptions", mode}).ExitCode, 0);
  }
  // twk sendmail without a controlling terminal (a new session), and
  // without a display unless one is named.
  TRunResult Sendmail(const QStringList& args, const QByteArray& input, const QString& display = {}) const {
    QProcessEnvironment env = FUser.Environment();
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    if (display.isEmpty())
      env.remove("DISPLAY");
    else
      env.insert("DISPLAY", display);
    return RunProgram("/usr/bin/setsid", QStringList{"-w", BinPath("twk"), "sendmail"} + args, input, env);
  }
  // twk sendmail on a pty answering with answers; the transcript is Stdout.
  TRunResult OnTerminal(const QByteArray& input, const QString& answers) const {
    FDir.Write("ptydriver.py", kPtyDriver);
    FDir.Write("input.eml", input);
    return RunProgram(DebianPython(),
                      {FDir.File("ptydriver.py"), FDir.File("input.eml"), FDir.File("output.txt"), answers, BinPath("twk"),
                       "sendmail", "-oi", "rcpt@example.org"},
                      {}, FUser.Environment());
  }
  QByteArray Received() const { return FDir.Read("fake/stdin"); }
  bool SendmailRan() const { return QFile::exists(FDir.File("fake/stdin")); }
  QJsonObject ReceivedByPython() const {
    const TRunResult r = RunProgram(DebianPython(), {"-c", kReadAttachments, FDir.File("fake/stdin")});
    EXPECT_EQ(r.ExitCode, 0) << r.Stderr.toStdString();
    return QJsonDocument::fromJson(r.Stdout).object();
  }
  QString Link() const { return FDir.Path() + "/export/report.pdf"; }
  QByteArray LinkMessage() const {
    return MimeMessage({{"report-pdf.twk", LinkBytes(Link())}}, "Bcc: Hidden <hidden@example.org>\n");
  }

  TIsolatedUser FUser;
  TScratchDir FDir;
};

TEST_F(TwkSendmail, UnchangedMessagesPassByteForByteWithArgumentsAndExitCode) {
  SetSendOptions("soAsk");
  const QByteArray plain = "From: a@example.org\r\nTo: b@example.org\r\nSubject: x\r\n\r\nbody\r\n.\r\nno newline";
  const QStringList args{"-oi", "-f", "me@example.org", "--", "rcpt@example.org", "with space"};
  for (int code : {0, 75, 1}) {
    FDir.Write("fake/code", QByteArray::number(code));
    const TRunResult r = Sendmail(args, plain);
    EXPECT_EQ(r.ExitCode, code) << r.Stderr.toStdString();
    EXPECT_EQ(Received(), plain);
    EXPECT_EQ(FDir.Read("fake/argv"), args.join('\n').toUtf8() + '\n');
    EXPECT_TRUE(r.Stderr.isEmpty()) << r.Stderr.toStdString();
  }
}

TEST_F(TwkSendmail, InputThatIsNoMessageAndSoNeverPassUnchanged) {
  SetSendOptions("soAlways");
  const QByteArray inputs[] = {QByteArray(), QByteArray("\x00\xFF\xFE garbage \x00\n\n\n", 17), "no headers at all",
                               QByteArray(200000, '\n')};
  for (const QByteArray& in : inputs) {
    const TRunResult r = Sendmail({"rcpt@example.org"}, in);
    EXPECT_EQ(r.ExitCode, 0) << r.Stderr.toStdString();
    EXPECT_EQ(Received(), in);
  }
  SetSendOptions("soNever");
  const TRunResult r = Sendmail({"-t"}, LinkMessage());
  EXPECT_EQ(r.ExitCode, 0) << r.Stderr.toStdString();
  EXPECT_EQ(Received(), LinkMessage());
}

TEST_F(TwkSendmail, AReplacedLinkArrivesAsTheFileItNamed) {
  SetSendOptions("soAlways");
  for (bool crlf : {false, true}) {
    SCOPED_TRACE(crlf ? "CR LF" : "LF");
    QByteArray input = LinkMessage();
    if (crlf) input.replace("\n", "\r\n");
    const TRunResult r = Sendmail({"-t", "-oi"}, input);
    EXPECT_EQ(r.ExitCode, 0) << r.Stderr.toStdString();
    const QJsonObject m = ReceivedByPython();
    EXPECT_EQ(m["atts"].toArray(), (QJsonArray{QJsonObject{
                                       {"name", "report.pdf"},
                                       {"hex", QString::fromLatin1(FDir.Read("export/report.pdf").toHex())}}}));
    // sendmail -t takes the hidden recipients from the header.
    EXPECT_EQ(m["bcc"].toString(), "Hidden <hidden@example.org>");
    EXPECT_EQ(m["subject"].toString(), "links");
    // The line ends the client wrote.
    const QByteArray got = Received();
    EXPECT_EQ(got.count("\r\n"), crlf ? got.count('\n') : 0);
  }
}

TEST_F(TwkSendmail, WithoutATerminalLinksAreKeptAndSaid) {
  SetSendOptions("soAsk");
  const TRunResult r = Sendmail({"rcpt@example.org"}, LinkMessage());
  EXPECT_EQ(r.ExitCode, 0);
  EXPECT_EQ(Received(), LinkMessage());
  EXPECT_EQ(r.Stderr, "twk sendmail: no terminal to ask on; 1 link(s) kept in the message\n");
}

// With a display the question is the desktop's dialog (driven in the
// end-to-end test); a dialog that cannot open counts as cancel.
TEST_F(TwkSendmail, WithADisplayADialogThatCannotOpenSendsNothing) {
  SetSendOptions("soAsk");
  const TRunResult r = Sendmail({"rcpt@example.org"}, LinkMessage(), ":4987");
  EXPECT_EQ(r.ExitCode, 1) << r.Stderr.constData();
  EXPECT_FALSE(SendmailRan());
  EXPECT_TRUE(r.Stderr.contains("twk sendmail: the question dialog (" + BinPath("twk-ask").toUtf8() + ") failed"))
      << r.Stderr.constData();
}

TEST_F(TwkSendmail, QuestionsOnTheTerminal) {
  SetSendOptions("soAsk");
  const TRunResult always = OnTerminal(LinkMessage(), "a");
  EXPECT_EQ(always.ExitCode, 0) << FDir.Read("output.txt").toStdString() << always.Stderr.toStdString();
  const QString transcript = QString::fromUtf8(always.Stdout);
  EXPECT_TRUE(transcript.contains("The message has an attachment (report-pdf.twk) containing a link to the file:"))
      << transcript.toStdString();
  EXPECT_TRUE(transcript.contains(Link())) << transcript.toStdString();
  EXPECT_TRUE(
      transcript.contains("Would you like to replace the link with the file? [y]es/[n]o/[a]lways/ne[v]er/[c]ancel: "))
      << transcript.toStdString();
  EXPECT_FALSE(transcript.contains("Warning:")) << "a link below a recorded root is trusted";
  EXPECT_EQ(ReceivedByPython()["atts"].toArray().at(0)["name"].toString(), "report.pdf");
  EXPECT_TRUE(Twk({"options", "show"}).Stdout.contains("\"SendOptions\": \"soAlways\""));

  QFile::remove(FDir.File("fake/stdin"));
  SetSendOptions("soAsk");
  const TRunResult cancel = OnTerminal(LinkMessage(), "c");
  EXPECT_EQ(cancel.ExitCode, 1);
  EXPECT_EQ(FDir.Read("output.txt"), "User cancelled\n");
  EXPECT_FALSE(SendmailRan());

  // A link to a file outside the recorded roots carries the warning; No keeps it.
  FDir.Write("elsewhere/secret", "secret");
  const QByteArray forged = MimeMessage({{"secret.twk", LinkBytes(FDir.File("elsewhere/secret"))}});
  const TRunResult untrusted = OnTerminal(forged, "n");
  EXPECT_EQ(untrusted.ExitCode, 0) << FDir.Read("output.txt").toStdString();
  EXPECT_TRUE(untrusted.Stdout.contains("Warning: this file lies outside every directory")) << untrusted.Stdout.toStdString();
  EXPECT_EQ(Received(), forged);

  // A missing file: the remove question; Yes removes the link.
  QFile::remove(Link());
  const TRunResult remove = OnTerminal(LinkMessage(), "y");
  EXPECT_EQ(remove.ExitCode, 0) << FDir.Read("output.txt").toStdString();
  // The terminal shows each LF as CR LF.
  EXPECT_TRUE(remove.Stdout.contains(
      "This file could not be found.\r\nWould you like to remove the link? [y]es/[n]o/[c]ancel: "))
      << remove.Stdout.toStdString();
  EXPECT_EQ(ReceivedByPython()["atts"].toArray(), QJsonArray());
}

TEST_F(TwkSendmail, ASendmailThatCannotRunIsAFailure) {
  SetSendOptions("soAsk");
  QFile::remove(FDir.File("sendmail.sh"));
  const TRunResult r = Sendmail({"rcpt@example.org"}, "Subject: x\n\nbody\n");
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_TRUE(r.Stderr.startsWith("Unable to run the sendmail program \"" + FDir.File("sendmail.sh").toUtf8() + "\""))
      << r.Stderr.toStdString();
}

TEST_F(TwkSendmail, Help) {
  const TRunResult r = Twk({"sendmail", "--help"});
  EXPECT_EQ(r.ExitCode, 0);
  EXPECT_TRUE(r.Stdout.startsWith("Usage: twk sendmail [SENDMAIL OPTIONS] [RECIPIENTS...]\n"));
  EXPECT_FALSE(SendmailRan());
}

}  // namespace
