// Saves N messages (default 10,000) as .msg files and, as the baseline in the
// same run, as .eml files (the message bytes copied), and reports the ratio.
// Target: .msg within 4x of .eml. --check makes a ratio above it exit 1.
//
// Then one message with a 40 MB attachment is saved as .msg and the growth
// of the peak resident memory is reported against the message's size (the
// attachment data passes through once; the file is not built in memory).
//
// Usage: bench_formats [N] [--check]
#include "twktools/formats/SaveAs.h"
#include "twktools/maildir/Backend.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr double kTarget = 4.0;

// A mix like an inbox: plain, HTML with a text part, and one with a small attachment.
QByteArray Message(int i) {
  QByteArray m = "From: \"Sender " + QByteArray::number(i % 97) + "\" <sender" + QByteArray::number(i % 97) +
                 "@example.org>\r\nTo: \"Bob\" <bob@example.com>, carla@example.net\r\nSubject: Message number " +
                 QByteArray::number(i) + " about the weekly report\r\nDate: Tue, 05 Mar 2024 14:30:00 +0000\r\n"
                 "Message-ID: <" + QByteArray::number(i) + "@bench.example>\r\nMIME-Version: 1.0\r\n";
  QByteArray text;
  for (int l = 0; l < 20; ++l) text += "Line " + QByteArray::number(l) + " of the body text, with some words in it.\r\n";
  switch (i % 3) {
    case 0:
      return m + "Content-Type: text/plain; charset=utf-8\r\n\r\n" + text;
    case 1:
      return m + "Content-Type: multipart/alternative; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\n" + text +
             "--b\r\nContent-Type: text/html\r\n\r\n<html><body><p>" + text + "</p></body></html>\r\n--b--\r\n";
    default:
      return m + "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\n" + text +
             "--b\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; filename=\"data.bin\"\r\n"
             "Content-Transfer-Encoding: base64\r\n\r\n" + QByteArray(6000, 'A').toBase64() + "\r\n--b--\r\n";
  }
}

double SaveAll(const QList<QByteArray>& messages, const QString& dir, int format, const char* ext) {
  QElapsedTimer t;
  t.start();
  for (int i = 0; i < messages.size(); ++i) {
    // Each message is opened afresh, as an export opens each mail of a folder.
    TwkPtr<IRDOMail> mail = twkmaildir::OpenLooseMessage(messages[i], QString());
    twkformats::SaveMessageAs(mail.get(), dir + QStringLiteral("/%1%2").arg(i).arg(QLatin1String(ext)), format);
  }
  return double(t.nsecsElapsed()) / 1e9;
}

long PeakKiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// Peak memory growth while saving a big message, in multiples of its size.
double BigMessageMemory(const QString& dir) {
  // Built line by line, so nothing but the message itself is held.
  QByteArray mime = "From: a@example.org\r\nTo: b@example.org\r\nSubject: big\r\nMIME-Version: 1.0\r\n"
                    "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\nbig\r\n"
                    "--b\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; "
                    "filename=big.bin\r\nContent-Transfer-Encoding: base64\r\n\r\n";
  mime.reserve(mime.size() + 40 * 1024 * 1024 / 57 * 78 + 64);
  QByteArray line(57, '\0');
  std::uint32_t x = 1;
  for (int i = 0; i < 40 * 1024 * 1024 / 57; ++i) {
    for (char& c : line) c = char((x = x * 1664525u + 1013904223u) >> 24);
    mime += line.toBase64() + "\r\n";
  }
  mime += "--b--\r\n";
  TwkPtr<IRDOMail> mail = twkmaildir::OpenLooseMessage(mime, QString());
  mail->Subject();  // parsed before the measure starts
  const long before = PeakKiB();
  twkformats::SaveMessageAs(mail.get(), dir + QStringLiteral("/big.msg"), olMSGUnicode);
  return double(PeakKiB() - before) * 1024.0 / double(mime.size());
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  const bool check = args.removeAll(QStringLiteral("--check")) > 0;
  const int n = args.isEmpty() ? 10000 : args.first().toInt();
  QTemporaryDir bigDir;
  // First, while the process is still small.
  const double memory = BigMessageMemory(bigDir.path());
  QList<QByteArray> messages;
  for (int i = 0; i < n; ++i) messages << Message(i);
  QTemporaryDir dir;
  QDir().mkpath(dir.path() + QStringLiteral("/eml"));
  QDir().mkpath(dir.path() + QStringLiteral("/msg"));
  const double eml = SaveAll(messages, dir.path() + QStringLiteral("/eml"), olRFC822, ".eml");
  const double msg = SaveAll(messages, dir.path() + QStringLiteral("/msg"), olMSGUnicode, ".msg");
  const double ratio = msg / eml;
  std::printf("messages: %d\neml copy: %.3f s\nmsg save: %.3f s\nratio msg/eml: %.2f (target: within %.0fx)\n", n, eml,
              msg, ratio, kTarget);
  std::printf("big message (40 MB attachment): peak memory grew by %.2f x the message size while saving as .msg\n",
              memory);
  return check && ratio > kTarget ? 1 : 0;
}
