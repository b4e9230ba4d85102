// Helpers for tests: scratch directories, an isolated user environment, and
// running the real programs as processes.
#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Paths of the built programs and of the source tree.
QString BinPath(const QString& program);  // build/bin/<program>
QString SourcePath(const QString& relative);
QString TestToolPath(const QString& name);  // tests/tools/<name>

// Writes bytes to path (parent directories made); a failure fails the test.
void WriteTestFile(const QString& path, const QByteArray& bytes);

// A scratch directory that lives as long as the object.
class TScratchDir {
public:
  TScratchDir();
  QString Path() const { return FDir.path(); }
  QString File(const QString& relative) const;  // a path inside; parent directories made
  void Write(const QString& relative, const QByteArray& bytes) const;
  QByteArray Read(const QString& relative) const;

private:
  QTemporaryDir FDir;
};

// Points HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME, XDG_DOCUMENTS_DIR and
// XDG_RUNTIME_DIR at a scratch directory for the life of the object, so
// settings, caches and documents paths never touch the real user's, and at a session bus that is not there,
// so no running desktop host is reached; the old values come back afterwards.
class TIsolatedUser {
public:
  TIsolatedUser();
  ~TIsolatedUser();
  QString Home() const { return FDir.Path(); }
  QString Documents() const;
  QProcessEnvironment Environment() const;  // for child processes

private:
  TScratchDir FDir;
  QStringList FNames;
  QList<QByteArray> FOld;
  QList<bool> FHad;
};

struct TRunResult {
  int ExitCode = -1;
  QByteArray Stdout;
  QByteArray Stderr;
};

// Runs a program to its end (bounded by timeoutMs), feeding stdinData.
TRunResult RunProgram(const QString& program, const QStringList& args, const QByteArray& stdinData = {},
                      const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                      int timeoutMs = 60000);

// Debian's own Python, which has Debian's Python modules (olefile and the like).
QString DebianPython();
