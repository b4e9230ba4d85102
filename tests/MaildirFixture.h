// Maildir stores for tests, written by the independent writer
// tests/tools/mkmaildir.py with Debian's Python, and profiles pointing at them.
#pragma once

#include "tests/support/TestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <ostream>

// Readable QString values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

// Writes a store at root from a JSON plan (see mkmaildir.py); returns the
// files written per folder.
inline QJsonObject MakeMaildir(const QString& root, const QByteArray& plan) {
  const TRunResult r = RunProgram(DebianPython(), {TestToolPath(QStringLiteral("mkmaildir.py")), root, QStringLiteral("-")}, plan);
  EXPECT_EQ(r.ExitCode, 0) << r.Stderr.toStdString();
  return QJsonDocument::fromJson(r.Stdout).object();
}

// A profile file with the given text; TWK_PROFILE points at it while the
// object lives.
class TProfileFile {
public:
  TProfileFile(const TScratchDir& dir, const QByteArray& text) {
    FPath = dir.File(QStringLiteral("profile.conf"));
    dir.Write(QStringLiteral("profile.conf"), text);
    qputenv("TWK_PROFILE", FPath.toUtf8());
  }
  ~TProfileFile() { qunsetenv("TWK_PROFILE"); }
  const QString& Path() const { return FPath; }

private:
  QString FPath;
};
