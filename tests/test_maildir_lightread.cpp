// The light reader against GMime's full parse: for every message of the
// corpora (Python's writers, the benchmark's generator, hostile inputs) each
// field a walk reads is the same on both paths, and the light reader really
// answers the messages it is meant for. Attachments handed out by the light
// reader keep naming their own part once the message is parsed and changed.
// The benchmark's generator is compiled in: the test programs link only the component.
#include "bench/msggen.cpp"
#include "tests/MailWalkFields.h"
#include "tests/support/TestSupport.h"
#include "tests/test_maildir_folder.h"
#include "twktools/maildir/Backend.h"
#include "twktools/maildir/lightread.h"
#include "twktools/maildir/mimesupport.h"
#include "twktools/maildir/simplefields.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <cstring>
#include <memory>

using twkmaildir::OpenStoredMessage;

namespace {

std::string S(const QString& s) { return s.toStdString(); }

QByteArray ReadAll(const QString& file) {
  QFile f(file);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << S(file);
  return f.readAll();
}

bool LightReads(const QString& file) {
  const QByteArray bytes = ReadAll(file);
  return twkmaildir::ReadLight(bytes.constData(), bytes.size()).has_value();
}

// Compares both paths for every message file under maildir; returns how
// many the light reader answered.
int ExpectSameFields(const QString& maildir) {
  auto folder = TTestMailFolder::Create(maildir);
  int light = 0;
  for (const QString& file : folder->MessageFiles()) {
    const QString lightFields = WalkFields(OpenStoredMessage(folder.get(), file).get());
    auto full = OpenStoredMessage(folder.get(), file);
    full->Body();  // GMime parses the whole message first: every field is GMime's
    EXPECT_EQ(S(lightFields), S(WalkFields(full.get()))) << S(file);
    light += LightReads(file);
  }
  return light;
}

QJsonObject RunTool(const QString& tool, const QStringList& args, const QByteArray& input = {}) {
  const TRunResult r = RunProgram(DebianPython(), QStringList{TestToolPath(tool)} + args, input);
  EXPECT_EQ(r.ExitCode, 0) << r.Stderr.toStdString();
  return QJsonDocument::fromJson(r.Stdout).object();
}

int CountFiles(const QString& maildir) { return int(TTestMailFolder::Create(maildir)->MessageFiles().size()); }

TEST(LightReadCorpus, PythonMessagesReadAlike) {
  TScratchDir dir;
  const QString maildir = dir.Path() + QStringLiteral("/Inbox");
  RunTool(QStringLiteral("msgcorpus.py"), {maildir});
  const int light = ExpectSameFields(maildir);
  // Plain, draft, delegate, file names, signed, opaque, encrypted at least.
  EXPECT_GE(light, 7) << "of " << CountFiles(maildir);
}

TEST(LightReadCorpus, EngineStoreMessagesReadAlike) {
  TScratchDir dir;
  const QByteArray spec = R"({"layout": "maildir++", "folders": {"Inbox": [
    {"subject": "Plain", "from": "Ann <ann@example.org>", "to": "Bob <bob@example.org>", "time": 1700000000, "body": "hi"},
    {"subject": "Html", "from": "Ann <ann@example.org>", "to": "Bob <bob@example.org>", "time": 1700000100,
     "body": "hi", "html": "<p>hi</p>", "inline": ["logo.png"]},
    {"subject": "Atts", "from": "Ann <ann@example.org>", "to": "Bob <bob@example.org>", "time": 1700000200,
     "body": "see", "atts": [{"name": "a.pdf", "size": 1234, "seed": 1, "ctype": "application/pdf"},
                             {"name": "Ärger 2023.txt", "size": 10, "seed": 2, "ctype": "text/plain"}]},
    {"subject": "Fwd", "from": "Ann <ann@example.org>", "to": "Bob <bob@example.org>", "time": 1700000300,
     "body": "fwd", "embedded": [{"subject": "Inner", "from": "C <c@example.org>", "to": "D <d@example.org>",
                                  "time": 1690000000, "body": "inner"}]},
    {"subject": "Signed", "from": "Ann <ann@example.org>", "to": "Bob <bob@example.org>", "time": 1700000400,
     "body": "s", "signed": true, "atts": [{"name": "b.bin", "size": 50, "seed": 3}]},
    {"subject": "Meeting", "from": "Ann <ann@example.org>", "to": "Bob <bob@example.org>", "time": 1700000500,
     "body": "m", "meeting": true}]}})";
  RunTool(QStringLiteral("engstore.py"), {QStringLiteral("write"), dir.Path(), QStringLiteral("-")}, spec);
  int light = 0;
  for (const QString& maildir : {dir.Path()})
    for (QDirIterator it(maildir, {QStringLiteral("cur")}, QDir::Dirs, QDirIterator::Subdirectories); it.hasNext();)
      light += ExpectSameFields(QFileInfo(it.next()).path());
  EXPECT_GE(light, 3);
}

TEST(LightReadCorpus, FormatCorpusAndGeneratedStoresReadAlike) {
  TScratchDir dir;
  const QString corpus = dir.Path() + QStringLiteral("/corpus");
  RunTool(QStringLiteral("fmt_corpus.py"), {corpus});
  const QString maildir = dir.Path() + QStringLiteral("/Formats");
  QDir().mkpath(maildir + QStringLiteral("/cur"));
  int n = 0;
  for (const QString& name : QDir(corpus).entryList({QStringLiteral("*.eml")}, QDir::Files)) {
    QFile::copy(corpus + QLatin1Char('/') + name, QStringLiteral("%1/cur/%2.M%3P1.test:2,S").arg(maildir).arg(1700000000 + n).arg(n));
    ++n;
  }
  ASSERT_GT(n, 0);
  ExpectSameFields(maildir);

  const QString planned = dir.Path() + QStringLiteral("/Planned");
  const QByteArray plan = R"({"layout": "maildir++", "folders": {"Inbox": 4, "Archive/2023": [
    {"time": 1600000000, "subdir": "cur", "flags": "S", "subject": "Grüße"}]}})";
  RunTool(QStringLiteral("mkmaildir.py"), {planned, QStringLiteral("-")}, plan);
  for (QDirIterator it(planned, {QStringLiteral("cur")}, QDir::Dirs, QDirIterator::Subdirectories); it.hasNext();)
    ExpectSameFields(QFileInfo(it.next()).path());

  // The benchmark's messages: every one is the light reader's.
  const QString bench = dir.Path() + QStringLiteral("/Bench");
  GenerateMaildir(bench, 40);
  EXPECT_EQ(ExpectSameFields(bench), 40);
}

struct THostileCase {
  const char* Name;
  QByteArray Bytes;
  bool Light;  // whether the light reader answers it (else GMime does)
};

QByteArray Multipart(const QByteArray& boundary, const QByteArray& parts, const QByteArray& head = "Subject: m\n") {
  return head + "MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=\"" + boundary + "\"\n\npreamble\n" +
         parts;
}

QByteArray Nested(int depth, bool asMessage) {
  QByteArray m = "Subject: leaf\n\ninnermost\n";
  for (int i = 0; i < depth; ++i) {
    const QByteArray b = "b" + QByteArray::number(i);
    m = asMessage ? "Subject: level " + QByteArray::number(i) + "\nContent-Type: message/rfc822; name=l" + QByteArray::number(i) + ".eml\n\n" + m
                  : "Content-Type: multipart/mixed; boundary=" + b + "\n\n--" + b + "\n" + m + "--" + b + "--\n";
  }
  return "From: a@example.org\n" + m;
}

std::vector<THostileCase> HostileCases() {
  const QByteArray att = "--b\nContent-Type: application/pdf; name=\"r.pdf\"\nContent-Transfer-Encoding: base64\n\nQUJD\n";
  QByteArray huge = "Subject: huge\nFrom: a@example.org\n";
  for (int i = 0; i < 4000; ++i) huge += "X-Filler-" + QByteArray::number(i) + ": " + QByteArray(40, 'x') + "\n";
  huge += "\nbody\n";
  return {
      {"no headers", "\nbody only\n", false},
      {"headers without body", "Subject: x\nFrom: a@example.org", false},
      {"empty file", "", false},
      {"not a header line", "Subject: x\nthis is no header\nTo: b@example.org\n\nbody\n", false},
      {"space in a name", "Sub ject: x\n\nbody\n", false},
      {"continuation first", " folded: x\nSubject: y\n\nbody\n", false},
      {"8-bit subject", "Subject: Gr\xfc\xdf" "e\nFrom: J\xc3\xbcrgen <j@example.org>\n\nbody\n", false},
      {"NUL in header", QByteArray("Subject: a\0b\n\nbody\n", 19), false},
      {"NUL in body", QByteArray("Subject: a\n\nbo\0dy\n", 18), false},
      {"bare CR in header", "Subject: a\rb\n\nbody\n", false},
      {"repeated subject", "Subject: one\nSubject: two\n\nbody\n", false},
      {"two To headers", "Subject: x\nTo: a@example.org\nTo: b@example.org\n\nbody\n", false},
      {"unknown charset", "Subject: =?x-unknown?Q?abc_d=E9f?= and =?utf-8?B?w6Q=?=\nFrom: =?x-none?Q?N=E4me?= <n@example.org>\n\nx\n", true},
      {"folded encoded subject", "Subject: =?utf-8?Q?Gr=C3=BC=C3=9Fe?=\n =?utf-8?Q?_aus_K=C3=B6ln?=\n\tplain  tail\nTo: Team: a@example.org, \"B, C\" <b@example.org>;, d@example.org\n\nx\n", true},
      {"bad dates", "Subject: d\nDate: not a date\nReceived: from x; garbage\nReceived: no semicolon here\nReceived: by y; Tue, 02 Jan 2024 10:00:00 +0100\n\nx\n", true},
      {"CRLF multipart", "Subject: crlf\r\nFrom: A <a@example.org>\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\nhi\r\n--b\r\nContent-Type: image/png\r\nContent-Disposition: attachment; filename=\"p.png\"\r\n\r\nxx\r\n--b--\r\n", true},
      {"close at end of file", Multipart("b", "--b\nContent-Type: text/plain\n\nhi\n" + att + "--b--"), true},
      {"no close delimiter", Multipart("b", "--b\nContent-Type: text/plain\n\nhi\n" + att), false},
      {"no delimiter at all", Multipart("b", "just text\n"), false},
      {"delimiter with trailing space", Multipart("b", "--b \nContent-Type: text/plain\n\nhi\n--b--\n"), false},
      {"delimiter in other case", Multipart("abc", "--abc\n\nhi\n--ABC\n\nx\n--abc--\n"), false},
      {"delimiter-like epilogue", Multipart("b", "--b\n\nhi\n--b--\nepilogue\n--b\n\nmore\n"), false},
      {"part without headers", Multipart("b", "--b\n\nhi\n" + att + "--b--\n"), true},
      {"part headers run into a delimiter", Multipart("b", "--b\nContent-Type: text/plain\n--b--\n"), false},
      {"no boundary parameter", "Subject: m\nContent-Type: multipart/mixed\n\n--\n\nx\n", false},
      {"garbage content type", "Subject: g\nContent-Type: garbage\n\nx\n", true},
      {"type without subtype", Multipart("b", "--b\nContent-Type: image\n\nxx\n--b\nContent-Type: ;name=a.txt\n\nyy\n--b--\n"), true},
      {"RFC 2231 names", Multipart("b", "--b\nContent-Type: application/octet-stream;\n name*0*=utf-8''%C3%84rger;\n name*1=\" 2023.txt\"\nContent-Disposition: attachment;\n filename*=iso-8859-1''caf%E9.txt\n\nxx\n--b\nContent-Type: text/plain; name=\"=?utf-8?B?w6Rw?=.txt\"\n\nyy\n--b\nContent-Type: text/plain\nContent-Disposition: inline; filename=\"\"\n\nzz\n--b--\n"), true},
      {"nested boundaries", Multipart("outer", "--outer\nContent-Type: multipart/alternative; boundary=inner\n\n--inner\nContent-Type: text/plain\n\na\n--inner\nContent-Type: text/html\n\n<p>a</p>\n--inner--\n--outer\nContent-Type: application/zip; name=z.zip\n\nzz\n--outer--\n"), true},
      {"boundary prefix of the inner one", Multipart("b", "--b\nContent-Type: multipart/alternative; boundary=b1\n\n--b1\n\na\n--b1--\n--b--\n"), false},
      {"same boundary nested", Multipart("b", "--b\nContent-Type: multipart/alternative; boundary=b\n\n--b\n\na\n--b--\n--b--\n"), false},
      // An attached mail without a name is named by its own subject: left to GMime.
      {"attached message", Multipart("b", "--b\n\nsee\n--b\nContent-Type: message/rfc822\n\nSubject: inner\nFrom: c@example.org\n\ninner body\n--b--\n"), false},
      // Files inside a leaf are read from its decoded content: left to GMime.
      {"TNEF stream", Multipart("b", "--b\n\nx\n--b\nContent-Type: application/ms-tnef; name=winmail.dat\nContent-Transfer-Encoding: base64\n\neJ8+IgEA\n--b--\n"), false},
      {"uuencoded block", "Subject: u\n\ntext\nbegin 644 a.txt\n#86)C\n`\nend\n", false},
      {"base64 text body", "Subject: t\nContent-Type: text/plain\nContent-Transfer-Encoding: base64\n\ndGV4dAo=\n", true},
      {"uuencoded block in a base64 text", Multipart("b", "--b\nContent-Type: text/plain\nContent-Transfer-Encoding: base64\n\neApiZWdpbiA2NDQgYS50eHQKIzg2KUMKYAplbmQK\n--b--\n"), false},
      {"quoted-printable text body", "Subject: t\nContent-Type: text/plain\nContent-Transfer-Encoding: quoted-printable\n\ntext=3D\n", true},
      {"named attached message", Multipart("b", "--b\n\nsee\n--b\nContent-Type: message/rfc822; name=fwd.eml\n\nSubject: inner\nFrom: c@example.org\n\ninner body\n--b--\n"), true},
      {"attached multipart message", Multipart("b", "--b\n\nsee\n--b\nContent-Type: message/rfc822\n\nSubject: inner\nContent-Type: multipart/mixed; boundary=i\n\n--i\n\nx\n--i--\n--b--\n"), false},
      {"deep message nesting", Nested(60, true), true},
      {"deep multipart nesting", Nested(70, false), false},
      {"moderate multipart nesting", Nested(5, false), true},
      {"digest", "Subject: d\nContent-Type: multipart/digest; boundary=b\n\n--b\n\nSubject: one\n\nx\n--b--\n", false},
      {"report", "Subject: r\nContent-Type: multipart/report; report-type=delivery-status; boundary=b\n\n--b\n\nx\n--b\nContent-Type: message/delivery-status\n\nAction: failed\n--b--\n", false},
      {"calendar root", "Subject: c\nContent-Type: text/calendar; method=REQUEST\n\nBEGIN:VCALENDAR\nEND:VCALENDAR\n", false},
      {"related with its picture", "Subject: r\nContent-Type: multipart/related; boundary=b\n\n--b\nContent-Type: text/html\n\n<img src=\"cid:p1\">\n--b\nContent-Type: image/png\nContent-ID: <p1>\n\nxx\n--b--\n", false},
      {"related alone", "Subject: r\nContent-Type: multipart/related; boundary=b\n\n--b\nContent-Type: text/html\n\n<p>x</p>\n--b--\n", true},
      {"signed", "Subject: s\nContent-Type: multipart/signed; protocol=\"application/pkcs7-signature\"; micalg=sha-256; boundary=s\n\n--s\nContent-Type: text/plain\n\nsigned\n--s\nContent-Type: application/pkcs7-signature; name=smime.p7s\n\nAAAA\n--s--\n", true},
      {"signed without parts", "Subject: s\nContent-Type: multipart/signed; protocol=\"application/pkcs7-signature\"; boundary=s\n\n--s--\n", true},
      {"unterminated quoted file name", "Subject: q\nContent-Type: application/pkcs7-mime; smime-type=enveloped-data\nContent-Disposition: attachment; filename=\"a b\nTo: b@example.org\n\nAAAA\n", true},
      {"opaque S/MIME", "Subject: o\nContent-Type: application/pkcs7-mime; smime-type=enveloped-data\nContent-Transfer-Encoding: base64\n\nAAAA\n", true},
      {"huge header block", huge, true},
      {"encoded multipart", "Subject: e\nContent-Type: multipart/mixed; boundary=b\nContent-Transfer-Encoding: base64\n\n--b\n\nx\n--b\nContent-Type: message/rfc822\nContent-Transfer-Encoding: base64\n\nU3ViamVjdDogaQoKeAo=\n--b--\n", false},
      {"encoded multipart root", "Subject: e\nContent-Type: multipart/mixed; boundary=b\nContent-Transfer-Encoding: base64\n\n--b\n\nx\n--b\nContent-Type: image/gif\n\nR0lG\n--b--\n", true},
      {"encoded attached message", Multipart("b", "--b\n\nx\n--b\nContent-Type: message/rfc822\nContent-Transfer-Encoding: quoted-printable\n\nSubject: i\n\nx\n--b--\n"), false},
      {"7bit attached message", Multipart("b", "--b\n\nx\n--b\nContent-Type: message/rfc822; name=fwd.eml\nContent-Transfer-Encoding:  7BIT \n\nSubject: i\n\nx\n--b--\n"), true},
      {"boundary of special characters", "Subject: s\nContent-Type: multipart/mixed;\n\tboundary=\"=_a.b/c+d:e?f'(g)\"\n\n--=_a.b/c+d:e?f'(g)\n\nx\n--=_a.b/c+d:e?f'(g)\nContent-Type: text/x-log; name=\"a b.log\"\n\ny\n--=_a.b/c+d:e?f'(g)--\n", true},
      {"empty and odd address fields", "Subject:\nFrom:\nTo: undisclosed-recipients:;\nCc: , ,\nBcc: Bob <bob@example.org> (comment), <x@example.org>\nDate:\n\nx\n", true},
      // The message keeps the address before an unclosed comment; the list parse drops the field.
      {"unclosed comment after an address", "Subject: c\nFrom: Anna <anna@example.org>(\nTo: b@example.org (x\n\nx\n", false},
      {"headers with odd case", "SUBJECT: upper\nfrom: x <x@example.org>\nCONTENT-TYPE: Multipart/Mixed; Boundary=\"B\"\n\n--B\nContent-Type: TEXT/PLAIN\n\nx\n--B\ncontent-disposition: ATTACHMENT; FILENAME=a.bin\n\nyy\n--B--\n", true},
  };
}

TEST(LightReadHostile, EveryInputReadsAsGMimeReadsIt) {
  TScratchDir dir;
  const QString maildir = dir.Path() + QStringLiteral("/Inbox");
  auto folder = TTestMailFolder::Create(maildir);
  int n = 0;
  for (const THostileCase& c : HostileCases()) {
    SCOPED_TRACE(c.Name);
    // Delivered and draft: the sent flag gates sender and transport headers.
    for (const char* flags : {"S", "DS"}) {
      const QString file = QStringLiteral("%1/cur/%2.M%3P1.test:2,%4").arg(maildir).arg(1700000000 + n).arg(n).arg(QLatin1String(flags));
      ++n;
      QFile f(file);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(c.Bytes);
      f.close();
      const QString lightFields = WalkFields(OpenStoredMessage(folder.get(), file).get());
      auto full = OpenStoredMessage(folder.get(), file);
      full->Body();
      EXPECT_EQ(S(lightFields), S(WalkFields(full.get())));
      EXPECT_EQ(LightReads(file), c.Light);
    }
  }
}

// A file too big to be read whole at once answers like a small one: the
// transport headers end where GMime finds the header block to end.
TEST(LightReadSize, BigAndSmallFilesAnswerAlike) {
  TScratchDir dir;
  const QString maildir = dir.Path() + QStringLiteral("/Inbox");
  auto folder = TTestMailFolder::Create(maildir);
  QStringList fields;
  for (int size : {1000, 400 * 1024}) {
    const QString file = QStringLiteral("%1/cur/%2.M1P1.test:2,S").arg(maildir).arg(1700000000 + size);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    QByteArray data;
    for (int i = 0; i < size / 77; ++i) data += QByteArray(76, 'Q') + '\n';
    f.write(Multipart("b", "--b\n\nsee\n--b\nContent-Type: application/pdf; name=big.pdf\nContent-Transfer-Encoding: base64\n\n" +
                               data + "--b--\n",
                      "Subject: size\nFrom: Ann <ann@example.org>\nTo: bob@example.org\nDate: Tue, 02 Jan 2024 09:58:00 +0000\n"));
    f.close();
    EXPECT_TRUE(LightReads(file));
    for (bool parsedFirst : {false, true}) {
      auto mail = OpenStoredMessage(folder.get(), file);
      if (parsedFirst) mail->Body();
      fields << WalkFields(mail.get()).split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^(?!date)"))).join(QLatin1Char('\n'));
    }
  }
  for (const QString& f : fields) EXPECT_EQ(S(f), S(fields.front()));
  EXPECT_TRUE(fields.front().contains(QStringLiteral("Date: Tue, 02 Jan 2024 09:58:00 +0000\nMIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=\"b\"\n\nflags"))) << S(fields.front());
}

// A stored message with three attachments, read by the light reader.
class LightAttachmentsTest : public ::testing::Test {
protected:
  void SetUp() override {
    Maildir = Dir.Path() + QStringLiteral("/Inbox");
    Folder = TTestMailFolder::Create(Maildir);
    File = Maildir + QStringLiteral("/cur/1700000000.M1P1.test:2,S");
    QFile f(File);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Multipart("b", "--b\n\nbody\n"
                           "--b\nContent-Type: text/plain; name=one.txt\n\nfirst\n"
                           "--b\nContent-Type: application/octet-stream; name=two.bin\nContent-Transfer-Encoding: base64\n\nc2Vjb25k\n"
                           "--b\nContent-Type: text/plain\nContent-Disposition: attachment; filename=three.txt\n\nthird\n"
                           "--b--\n"));
    f.close();
    ASSERT_TRUE(LightReads(File));
  }
  TScratchDir Dir;
  QString Maildir, File;
  TwkPtr<TTestMailFolder> Folder;
};

TEST_F(LightAttachmentsTest, ContentIsTheFullParsesOwn) {
  auto mail = OpenStoredMessage(Folder.get(), File);
  auto atts = mail->Attachments();
  ASSERT_EQ(atts->Count(), 3);
  auto two = atts->Item(2);
  EXPECT_EQ(S(two->FileName()), "two.bin");
  EXPECT_EQ(two->Data(), QByteArray("second"));  // GMime parses here
  EXPECT_EQ(S(two->MimeType()), "application/octet-stream");
  EXPECT_EQ(two->Position(), 2);
  EXPECT_EQ(two->Size(), 6);
  EXPECT_EQ(atts->Count(), 3);
  EXPECT_EQ(S(atts->Item(3)->FileName()), "three.txt");
}

TEST_F(LightAttachmentsTest, DeletesKeepNamingTheirOwnPart) {
  {
    auto mail = OpenStoredMessage(Folder.get(), File);
    auto atts = mail->Attachments();
    auto one = atts->Item(1);
    auto three = atts->Item(3);
    one->Delete();  // GMime parses; the parts move up
    EXPECT_EQ(three->Position(), 2);
    EXPECT_EQ(S(three->FileName()), "three.txt");
    EXPECT_FALSE(three->Hidden());
    three->Delete();
    EXPECT_EQ(mail->Attachments()->Count(), 1);
    EXPECT_THROW(one->Delete(), EComError);
    mail->Save();
  }
  auto again = OpenStoredMessage(Folder.get(), Folder->MessageFiles().value(0));
  auto atts = again->Attachments();
  ASSERT_EQ(atts->Count(), 1);
  EXPECT_EQ(S(atts->Item(1)->FileName()), "two.bin");
  EXPECT_EQ(atts->Item(1)->Data(), QByteArray("second"));
}

TEST_F(LightAttachmentsTest, AChangedMessageIsNoLongerReadLight) {
  auto mail = OpenStoredMessage(Folder.get(), File);
  EXPECT_EQ(S(mail->Subject()), "m");
  mail->SetSubject(QStringLiteral("changed"));
  EXPECT_EQ(S(mail->Subject()), "changed");
  EXPECT_TRUE(mail->Fields(PR_TRANSPORT_MESSAGE_HEADERS).toString().contains(QStringLiteral("Subject: changed")));
  auto atts = mail->Attachments();
  atts->Item(1)->Delete();
  EXPECT_EQ(atts->Count(), 2);
  EXPECT_EQ(S(atts->Item(1)->FileName()), "two.bin");
}

// Every string one edit away from each sample (a character dropped,
// doubled, or replaced by one of a few troublemakers), and the samples.
QList<QByteArray> WithNearMisses(const QList<QByteArray>& samples) {
  QList<QByteArray> out = samples;
  for (const QByteArray& s : samples)
    for (qsizetype i = 0; i < s.size(); ++i) {
      out << QByteArray(s).remove(i, 1) << QByteArray(s).insert(i, s[i]);
      for (char c : {' ', '\t', '"', ',', '.', '<', '(', ';', ':', '=', '?', '@', '\n', 'x', '9', '-'})
        out << QByteArray(s).replace(i, 1, QByteArray(1, c));
    }
  return out;
}

TEST(SimpleFields, AddressListsReadAsGMimeReadsThem) {
  twkmaildir::EnsureMimeInit();
  const QList<QByteArray> samples = {
      " Bob <bob@example.org>, carol@example.org, \"Dave D.\" <dave@example.org>\n",
      " Sender 5 <sender5@example.org>\r\n", " team@example.org\n", " \"B, C\" <b.c+tag@mail.example-host.org>\n",
      " a_b@x, Y Z <y@z>\n", " Alice Example <alice@xn--bcher-kva.example>\n", " <bare@example.org>\n",
      " =?utf-8?Q?J=C3=BCrgen?= <j@example.org>\n", " Team: a@example.org;\n", " \"\" <e@example.org>\n"};
  int simple = 0;
  for (const QByteArray& raw : WithNearMisses(samples)) {
    const auto fast = twkmaildir::SimpleAddressList(raw.constData());
    if (!fast) continue;
    ++simple;
    InternetAddressList* list = internet_address_list_parse(nullptr, raw.constData());
    const std::vector<twkmaildir::TAddress> gmime = twkmaildir::ExpandAddressList(list);
    if (list) g_object_unref(list);
    QStringList a, b;
    for (const auto& x : *fast) a << x.Name + QLatin1Char('|') + x.Address;
    for (const auto& x : gmime) b << x.Name + QLatin1Char('|') + x.Address;
    EXPECT_EQ(S(a.join(QLatin1Char(';'))), S(b.join(QLatin1Char(';')))) << raw.toStdString();
  }
  EXPECT_GT(simple, 100);  // the plain forms are read without GMime
}

TEST(SimpleFields, DatesReadAsGMimeReadsThem) {
  twkmaildir::EnsureMimeInit();
  const QList<QByteArray> samples = {" Tue, 02 Jan 2024 09:58:00 +0000\n", " 2 Jan 2024 10:00:00 -0130\r\n",
                                     "Sun, 29 Feb 2032 23:59:59 +1400", " Wed, 31 Dec 1980 00:00:00 -1200\n",
                                     " Mon, 02 Jan 2024 09:58:00 +0000 (UTC)\n", " Tue, 2 Jan 24 09:58 GMT\n"};
  int simple = 0;
  for (const QByteArray& text : WithNearMisses(samples)) {
    const auto fast = twkmaildir::SimpleDate(text.constData());
    if (!fast) continue;
    ++simple;
    GDateTime* date = g_mime_utils_header_decode_date(text.constData());
    ASSERT_TRUE(date) << text.toStdString();
    EXPECT_EQ(*fast, g_date_time_to_unix(date)) << text.toStdString();
    g_date_time_unref(date);
  }
  EXPECT_GT(simple, 50);
  // Texts that end early, each in a buffer of exactly its size: nothing is
  // read past the terminator (what the sanitizer run checks).
  for (const char* text : {"", " ", "Tue, ", "Tue,  ", "2", "02 Jan", "02 Jan 2024 10:00:00 +"}) {
    const size_t n = std::strlen(text) + 1;
    std::unique_ptr<char[]> exact(new char[n]);
    std::memcpy(exact.get(), text, n);
    EXPECT_FALSE(twkmaildir::SimpleDate(exact.get())) << text;
  }
}

}  // namespace
