#include "core/Options.h"

#include "core/FilenameTools.h"
#include "core/SpecialFolder.h"

#include <QDir>
#include <QRegularExpression>
#include <QSettings>

namespace {

const char* const kSendOptionsNames[] = {"soNever", "soAsk", "soAlways"};

const QString kGlobalJobDefPath = QStringLiteral("GlobalJobDefPath");
const QString kSendOptions = QStringLiteral("SendOptions");
const QString kMe = QStringLiteral("Me");
const QString kJobDefExtension = QStringLiteral(".twc");

QString TarnwickFile(const QString& name) {
  return JoinPath(JoinPath(GetMyDocumentsPath(), QStringLiteral("Tarnwick")), name);
}

// A value of any other type (a list, for one) is an unreadable value.
QString StringValue(const QSettings& s, const QString& key) {
  const QVariant v = s.value(key);
  return v.typeId() == QMetaType::QString ? v.toString() : QString();
}

// The list's text: every entry followed by CR LF.
QString ListText(const QStringList& list) {
  QString text;
  for (const QString& line : list) text += line + QStringLiteral("\r\n");
  return text;
}

QStringList ListFromText(const QString& text) {
  if (text.isEmpty()) return {};
  static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
  QStringList lines = text.split(lineBreak);
  if (lines.last().isEmpty()) lines.removeLast();  // a final line break ends the last entry
  return lines;
}

}  // namespace

QSettings OpenSettings() { return QSettings(QStringLiteral("Quendal-Software"), QStringLiteral("Tarnwick")); }

QString SendOptionsName(TSendOptions value) {
  const int i = int(value);
  return i >= 0 && i <= 2 ? QLatin1String(kSendOptionsNames[i]) : QString::number(i);
}

bool SendOptionsFromName(const QString& name, TSendOptions& value) {
  for (int i = 0; i <= 2; ++i)
    if (name == QLatin1String(kSendOptionsNames[i])) {
      value = TSendOptions(i);
      return true;
    }
  return false;
}

void TOptions::Clear() {
  FGlobalJobDefPath.clear();
  FLocalJobDefPath = JoinPath(GetMyDocumentsPath(), QStringLiteral("Tarnwick\\Jobs"));
  FSendOptions = soAsk;
  FMeNames.clear();
}

void TOptions::LoadFromRegistry() {
  Clear();
  const QSettings s = OpenSettings();
  if (s.status() != QSettings::NoError) return;  // unreadable settings: the defaults stand
  FGlobalJobDefPath = TrimStr(StringValue(s, kGlobalJobDefPath));
  bool ok = false;
  const QVariant send = s.value(kSendOptions);
  const int n = send.typeId() == QMetaType::QString || send.typeId() == QMetaType::Int ? send.toInt(&ok) : 0;
  if (ok && n >= 0 && n <= 2) FSendOptions = TSendOptions(n);
  FMeNames = ListFromText(TrimStr(StringValue(s, kMe)));
}

bool TOptions::SaveToRegistry() const {
  QSettings s = OpenSettings();
  s.setValue(kGlobalJobDefPath, FGlobalJobDefPath);
  s.setValue(kSendOptions, int(FSendOptions));
  s.setValue(kMe, ListText(FMeNames));
  s.sync();
  return s.status() == QSettings::NoError;
}

void TOptions::ReadGlobalJobDefNames(QStringList& list) const {
  list.clear();
  if (!FGlobalJobDefPath.isEmpty()) ListJobDefNames(FGlobalJobDefPath, list);
}

void TOptions::ReadLocalJobDefNames(QStringList& list) const {
  list.clear();
  if (!FLocalJobDefPath.isEmpty()) ListJobDefNames(FLocalJobDefPath, list);
}

QString TOptions::GetFilenameFromJobDefName(const QString& path, const QString& jobDefName) {
  return JoinPath(path, jobDefName + kJobDefExtension);
}

QString TOptions::GetLastUsedFilename() { return TarnwickFile(QStringLiteral("last.twc")); }

QString TOptions::GetInboxDefFilename() { return TarnwickFile(QStringLiteral("inbox.twx")); }

void ListJobDefNames(const QString& path, QStringList& list) {
  list.clear();
  const QString dir = TrimStr(path);
  if (dir.isEmpty()) return;
  // Case-sensitive, so that every name listed leads back to its file.
  const QStringList files = QDir(dir).entryList({QStringLiteral("*") + kJobDefExtension},
                                                QDir::Files | QDir::CaseSensitive, QDir::Unsorted);
  for (const QString& f : files) list << f.left(f.size() - kJobDefExtension.size());
}
