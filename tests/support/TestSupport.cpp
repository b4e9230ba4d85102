#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <cstdlib>

QString BinPath(const QString& program) { return QStringLiteral(TWK_BIN_DIR "/") + program; }
QString SourcePath(const QString& relative) { return QStringLiteral(TWK_SOURCE_DIR "/") + relative; }
QString TestToolPath(const QString& name) { return QStringLiteral(TWK_TEST_TOOLS_DIR "/") + name; }

TScratchDir::TScratchDir() { EXPECT_TRUE(FDir.isValid()); }

QString TScratchDir::File(const QString& relative) const {
  const QString path = FDir.filePath(relative);
  QDir().mkpath(QFileInfo(path).absolutePath());
  return path;
}

void WriteTestFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  ASSERT_EQ(f.write(bytes), bytes.size());
}

void TScratchDir::Write(const QString& relative, const QByteArray& bytes) const { WriteTestFile(File(relative), bytes); }

QByteArray TScratchDir::Read(const QString& relative) const {
  QFile f(FDir.filePath(relative));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

TIsolatedUser::TIsolatedUser() {
  const QString home = FDir.Path();
  QDir(home).mkpath(QStringLiteral("Documents"));
  QDir(home).mkpath(QStringLiteral("config"));
  QDir(home).mkpath(QStringLiteral("runtime"));
  QFile::setPermissions(home + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  const QList<QPair<const char*, QString>> vars = {
      {"HOME", home},
      {"XDG_CONFIG_HOME", home + QStringLiteral("/config")},
      {"XDG_CACHE_HOME", home + QStringLiteral("/cache")},
      {"XDG_DOCUMENTS_DIR", home + QStringLiteral("/Documents")},
      {"XDG_RUNTIME_DIR", home + QStringLiteral("/runtime")},
      // No session bus: a desktop host the developer runs must not become
      // the application object of the programs under test.
      {"DBUS_SESSION_BUS_ADDRESS", QStringLiteral("unix:path=") + home + QStringLiteral("/runtime/no-bus")},
  };
  for (const auto& [name, value] : vars) {
    FNames << QString::fromLatin1(name);
    FHad << qEnvironmentVariableIsSet(name);
    FOld << qgetenv(name);
    qputenv(name, value.toUtf8());
  }
  QStandardPaths::setTestModeEnabled(false);
  // Qt keeps the settings directory of its first use for the whole process;
  // point it at this user's config directory so every test starts clean.
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home + QStringLiteral("/config"));
}

TIsolatedUser::~TIsolatedUser() {
  for (int i = 0; i < FNames.size(); ++i) {
    const QByteArray name = FNames[i].toLatin1();
    if (FHad[i])
      qputenv(name.constData(), FOld[i]);
    else
      qunsetenv(name.constData());
  }
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                     QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

QString TIsolatedUser::Documents() const { return FDir.Path() + QStringLiteral("/Documents"); }

QProcessEnvironment TIsolatedUser::Environment() const { return QProcessEnvironment::systemEnvironment(); }

TRunResult RunProgram(const QString& program, const QStringList& args, const QByteArray& stdinData,
                      const QProcessEnvironment& env, int timeoutMs) {
  TRunResult r;
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(program, args);
  if (!p.waitForStarted(10000)) {
    r.Stderr = p.errorString().toUtf8();
    return r;
  }
  if (!stdinData.isEmpty()) p.write(stdinData);
  p.closeWriteChannel();
  if (!p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished();
    r.Stderr = "timed out";
    return r;
  }
  r.ExitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.Stdout = p.readAllStandardOutput();
  r.Stderr = p.readAllStandardError();
  return r;
}

QString DebianPython() { return QStringLiteral("/usr/bin/python3"); }
