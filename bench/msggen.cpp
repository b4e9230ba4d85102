#include "bench/msggen.h"

#include <QDir>
#include <QFile>
#include <string>

namespace {

std::string Headers(int i, const char* contentType) {
  std::string h;
  h += "Return-Path: <sender" + std::to_string(i % 97) + "@example.org>\n";
  h += "Received: from mx2.example.net by mail.example.org with ESMTPS; Tue, 02 Jan 2024 10:0" +
       std::to_string(i % 10) + ":00 +0000\n";
  h += "Received: from client.example.net by mx2.example.net with ESMTP; Tue, 02 Jan 2024 09:59:00 +0000\n";
  h += "From: Sender " + std::to_string(i % 97) + " <sender" + std::to_string(i % 97) + "@example.org>\n";
  h += "To: Bob <bob@example.org>, carol@example.org, \"Dave D.\" <dave@example.org>\n";
  h += "Cc: team@example.org\n";
  if (i % 3 == 0)
    h += "Subject: =?utf-8?Q?Gr=C3=BC=C3=9Fe_Nr._" + std::to_string(i) + "?=\n";
  else
    h += "Subject: Status report number " + std::to_string(i) + "\n";
  h += "Date: Tue, 02 Jan 2024 09:58:00 +0000\n";
  h += "Message-ID: <" + std::to_string(i) + ".bench@example.org>\n";
  h += "MIME-Version: 1.0\n";
  h += std::string("Content-Type: ") + contentType + "\n";
  return h;
}

std::string Paragraphs(int lines) {
  std::string text;
  for (int l = 0; l < lines; ++l) text += "The quick brown fox jumps over the lazy dog, line " + std::to_string(l) + ".\n";
  return text;
}

std::string Message(int i) {
  const int kind = i % 10;
  if (kind < 7) return Headers(i, "text/plain; charset=utf-8") + "\n" + Paragraphs(20 + i % 30);
  if (kind < 9) {
    return Headers(i, "multipart/alternative; boundary=\"alt\"") + "\n--alt\nContent-Type: text/plain\n\n" +
           Paragraphs(20) + "--alt\nContent-Type: text/html\n\n<html><body><p>" + Paragraphs(20) +
           "</p></body></html>\n--alt--\n";
  }
  std::string m = Headers(i, "multipart/mixed; boundary=\"mix\"") + "\n--mix\nContent-Type: text/plain\n\n" +
                  Paragraphs(10) +
                  "--mix\nContent-Type: application/pdf; name=\"report.pdf\"\n"
                  "Content-Disposition: attachment; filename=\"report-" +
                  std::to_string(i) + ".pdf\"\nContent-Transfer-Encoding: base64\n\n";
  for (int l = 0; l < 40; ++l) m += std::string(76, 'Q') + "\n";
  return m + "--mix--\n";
}

}  // namespace

void GenerateMaildir(const QString& maildir, int count) {
  for (const char* sub : {"cur", "new", "tmp"}) QDir().mkpath(maildir + QLatin1Char('/') + QLatin1String(sub));
  for (int i = 0; i < count; ++i) {
    QFile f(QStringLiteral("%1/cur/%2.M%3P1Q1.bench:2,S").arg(maildir).arg(1700000000 + i).arg(i));
    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(f.fileName()));
    const std::string m = Message(i);
    f.write(m.data(), qint64(m.size()));
  }
}
