// End-to-end fixture for the engine: a scratch Maildir store written by the
// independent writer (tests/tools/engstore.py), job files built with
// `twk job build`, the real TWKbat run as a process, and the store read back
// by Python's email package.
#pragma once

#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <ostream>

// Readable failure output for texts and lists of texts.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

class TEngineTest : public ::testing::Test {
protected:
  TIsolatedUser User;
  TScratchDir Scratch;

  QString Store() const { return Scratch.Path() + QStringLiteral("/store"); }
  QString Export() const { return Scratch.Path() + QStringLiteral("/export"); }
  QString Job() const { return Scratch.Path() + QStringLiteral("/job.twc"); }

  // A profile for the programs instead of the maildir at Store() (a server
  // serving that maildir).
  QString ProfilePath;

  QProcessEnvironment Env() const {
    QProcessEnvironment env = User.Environment();
    env.insert(QStringLiteral("MAILDIR"), Store());
    env.remove(QStringLiteral("TWK_PROFILE"));
    if (!ProfilePath.isEmpty()) env.insert(QStringLiteral("TWK_PROFILE"), ProfilePath);
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    return env;
  }

  static QByteArray Json(const QJsonObject& o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); }

  // The store from a spec of engstore.py (folders "Inbox", "Inbox/Sub", ...).
  // Replaces the store of an earlier call.
  void WriteStore(const QJsonObject& folders, const QJsonArray& plain = {}) {
    QDir(Store()).removeRecursively();
    const TRunResult r =
        RunProgram(DebianPython(), {TestToolPath(QStringLiteral("engstore.py")), QStringLiteral("write"), Store(), "-"},
                   Json(QJsonObject{{"layout", "nested"}, {"folders", folders}, {"plain", plain}}), Env());
    ASSERT_EQ(r.ExitCode, 0) << r.Stderr.constData();
    FFolders = QJsonArray();
  }

  // The store as Python's email package sees it: folder dir -> messages.
  QJsonObject ReadStore() const {
    const TRunResult r = RunProgram(
        DebianPython(), {TestToolPath(QStringLiteral("engstore.py")), QStringLiteral("read"), Store()}, {}, Env());
    EXPECT_EQ(r.ExitCode, 0) << r.Stderr.constData();
    return QJsonDocument::fromJson(r.Stdout).object();
  }

  // Entry ID and store ID of the folder whose display path ends with
  // "\\" + tail (for instance "Inbox\\Sub"), from `twk folders --json`.
  QJsonObject FolderRef(const QString& tail) {
    if (FFolders.isEmpty()) {
      const TRunResult r = RunProgram(BinPath(QStringLiteral("twk")), {"folders", "--json"}, {}, Env());
      EXPECT_EQ(r.ExitCode, 0) << r.Stderr.constData();
      FFolders = QJsonDocument::fromJson(r.Stdout).array();
    }
    for (const QJsonValue& v : FFolders) {
      const QJsonObject f = v.toObject();
      if (f["path"].toString().endsWith(QLatin1Char('\\') + tail))
        return QJsonObject{{"FolderEntryID", f["entryId"]}, {"FolderStoreID", f["storeId"]}};
    }
    ADD_FAILURE() << "no folder " << tail.toStdString();
    return {};
  }
  QString FolderPath(const QString& tail) {
    FolderRef(tail);
    for (const QJsonValue& v : FFolders)
      if (v["path"].toString().endsWith(QLatin1Char('\\') + tail)) return v["path"].toString();
    return {};
  }

  // A job on a folder: `parts` adds or replaces members of the job JSON.
  QJsonObject FolderJob(const QString& source, bool subFolders, const QJsonObject& parts) {
    QJsonObject sf = FolderRef(source);
    sf["ProcessFolder"] = true;
    sf["InclSubFolders"] = subFolders;
    QJsonObject job{{"SourceFilter", sf}};
    for (auto it = parts.begin(); it != parts.end(); ++it) job[it.key()] = it.value();
    return job;
  }

  void BuildJob(const QJsonObject& job) {
    Scratch.Write(QStringLiteral("job.json"), Json(job));
    const TRunResult r = RunProgram(BinPath(QStringLiteral("twk")),
                                    {"job", "build", Scratch.File(QStringLiteral("job.json")), "-o", Job()}, {}, Env());
    ASSERT_EQ(r.ExitCode, 0) << r.Stderr.constData() << r.Stdout.constData();
  }

  TRunResult RunBat(const QStringList& args, const QByteArray& input = {}) const {
    return RunProgram(BinPath(QStringLiteral("TWKbat")), args, input, Env());
  }
  TRunResult RunJob() const { return RunBat({Job(), QStringLiteral("/quiet"), QStringLiteral("/noprompt")}); }

  static QStringList Lines(const QByteArray& out) {
    QStringList lines = QString::fromUtf8(out).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
  }

  // The lines between the start line and the end line (error list, result
  // list), with the frame checked.
  QStringList Report(const TRunResult& r) const {
    QStringList lines = Lines(r.Stdout);
    EXPECT_GE(lines.size(), 2) << r.Stdout.constData();
    if (lines.size() < 2) return {};
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\S.* Start TWKbat ") + QRegularExpression::escape(Job()) + "$")
                    .match(lines.first()).hasMatch())
        << lines.first().toStdString();
    const qsizetype end = lines.indexOf(QRegularExpression(QStringLiteral("^\\S.* End TWKbat .*$")));
    EXPECT_GT(end, 0) << r.Stdout.constData();
    return lines.mid(1, end - 1);
  }

  // Relative paths of every file below dir, sorted.
  static QStringList Files(const QString& dir) {
    QStringList out;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) out << QDir(dir).relativeFilePath(it.next());
    out.sort();
    return out;
  }
  static QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  static QString Sha256(const QString& path) {
    return QString::fromLatin1(QCryptographicHash::hash(ReadFile(path), QCryptographicHash::Sha256).toHex());
  }
  // The bytes engstore.py gives an attachment of this size and seed.
  QByteArray AttBytes(int size, int seed) const {
    return RunProgram(DebianPython(),
                      {TestToolPath(QStringLiteral("engstore.py")), "bytes", QString::number(size), QString::number(seed)},
                      {}, Env())
        .Stdout;
  }

  static QJsonObject Att(const QString& name, int size, int seed, const QString& ctype = "application/octet-stream") {
    return QJsonObject{{"name", name}, {"size", size}, {"seed", seed}, {"ctype", ctype}};
  }

private:
  QJsonArray FFolders;
};
