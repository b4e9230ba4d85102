#include "core/JobDefJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

const QStringList kDateModeNames = {QStringLiteral("dmAny"), QStringLiteral("dmOlderThan"), QStringLiteral("dmFromTo")};
const QStringList kExistModeNames = {QStringLiteral("emSuffix"), QStringLiteral("emOverwrite")};
const QStringList kShortcutModeNames = {QStringLiteral("smNothing"), QStringLiteral("smTWK"), QStringLiteral("smRemove")};
const QStringList kEmailFormatNames = {QStringLiteral("efTXT"), QStringLiteral("efMSG"), QStringLiteral("efHTM"),
                                       QStringLiteral("efEML"), QStringLiteral("efMHT"), QStringLiteral("efRTF"),
                                       QStringLiteral("efMSGunicode")};

// Non-finite doubles have no JSON number; they travel as these strings.
const QString kNaN = QStringLiteral("NaN");
const QString kInfinity = QStringLiteral("Infinity");
const QString kMinusInfinity = QStringLiteral("-Infinity");

// ---- writing: JSON text with members in a fixed order

using TMembers = QList<QPair<QString, QString>>;  // name, value as JSON text

QString JString(const QString& s) {
  QString out = QStringLiteral("\"");
  for (qsizetype i = 0; i < s.size(); ++i) {
    const QChar c = s[i];
    const ushort u = c.unicode();
    const bool pair = c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate();
    if (pair) {
      out += c;
      out += s[++i];
    } else if (u == '"' || u == '\\') {
      out += QLatin1Char('\\') + c;
    } else if (u == '\n') {
      out += QStringLiteral("\\n");
    } else if (u == '\r') {
      out += QStringLiteral("\\r");
    } else if (u == '\t') {
      out += QStringLiteral("\\t");
    } else if (u < 0x20 || c.isSurrogate()) {
      out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
    } else {
      out += c;
    }
  }
  return out + QLatin1Char('"');
}

QString JBool(bool v) { return v ? QStringLiteral("true") : QStringLiteral("false"); }
QString JInt(std::int32_t v) { return QString::number(v); }

QString JDouble(double v) {
  if (std::isnan(v)) return JString(kNaN);
  if (std::isinf(v)) return JString(v > 0 ? kInfinity : kMinusInfinity);
  return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

QString JList(const QStringList& v) {
  QStringList items;
  for (const QString& s : v) items << JString(s);
  return QLatin1Char('[') + items.join(QStringLiteral(", ")) + QLatin1Char(']');
}

QString JEnum(std::int32_t v, const QStringList& names) {
  return v >= 0 && v < names.size() ? JString(names[v]) : JInt(v);
}

QString Indent(int level) { return QString(level * 2, QLatin1Char(' ')); }

QString InlineObject(const TMembers& members) {
  QStringList parts;
  for (const auto& [name, value] : members) parts << JString(name) + QStringLiteral(": ") + value;
  return QLatin1Char('{') + parts.join(QStringLiteral(", ")) + QLatin1Char('}');
}

QString BlockObject(const TMembers& members, int level) {
  QStringList parts;
  for (const auto& [name, value] : members) parts << Indent(level + 1) + JString(name) + QStringLiteral(": ") + value;
  return QStringLiteral("{\n") + parts.join(QStringLiteral(",\n")) + QLatin1Char('\n') + Indent(level) + QLatin1Char('}');
}

QString SourceFilterJson(const TJobDef_SourceFilter& v) {
  return InlineObject({{QStringLiteral("ProcessFolder"), JBool(v.ProcessFolder())},
                       {QStringLiteral("FolderEntryID"), JString(v.FolderEntryID())},
                       {QStringLiteral("FolderStoreID"), JString(v.FolderStoreID())},
                       {QStringLiteral("InclSubFolders"), JBool(v.InclSubFolders())}});
}

QString EmailFilter1Json(const TJobDef_EmailFilter1& v) {
  return InlineObject({{QStringLiteral("SenderIncludeList"), JList(v.SenderIncludeList())},
                       {QStringLiteral("SenderExcludeList"), JList(v.SenderExcludeList())},
                       {QStringLiteral("RecipientIncludeList"), JList(v.RecipientIncludeList())},
                       {QStringLiteral("RecipientExcludeList"), JList(v.RecipientExcludeList())},
                       {QStringLiteral("SubjectIncludeList"), JList(v.SubjectIncludeList())},
                       {QStringLiteral("SubjectExcludeList"), JList(v.SubjectExcludeList())},
                       {QStringLiteral("AttIncludeList"), JList(v.AttIncludeList())},
                       {QStringLiteral("AttExcludeList"), JList(v.AttExcludeList())}});
}

QString EmailFilter2Json(const TJobDef_EmailFilter2& v) {
  return InlineObject({{QStringLiteral("DateMode"), JEnum(v.DateMode(), kDateModeNames)},
                       {QStringLiteral("Days"), JInt(v.Days())},
                       {QStringLiteral("FromDate"), JDouble(v.FromDate())},
                       {QStringLiteral("ToDate"), JDouble(v.ToDate())}});
}

QString ExportEmailsJson(const TJobDef_ExportEmails& v) {
  return InlineObject({{QStringLiteral("EmailFormat"), JEnum(v.EmailFormat(), kEmailFormatNames)},
                       {QStringLiteral("DestFolder"), JString(v.DestFolder())},
                       {QStringLiteral("SubFolderMask"), JString(v.SubFolderMask())},
                       {QStringLiteral("ExistMode"), JEnum(v.ExistMode(), kExistModeNames)},
                       {QStringLiteral("AttsAlso"), JBool(v.AttsAlso())},
                       {QStringLiteral("LogExport"), JBool(v.LogExport())},
                       {QStringLiteral("LogFolder"), JString(v.LogFolder())},
                       {QStringLiteral("PrefixSubject"), JBool(v.PrefixSubject())},
                       {QStringLiteral("SubjectPrefix"), JString(v.SubjectPrefix())}});
}

QString ExportAttsJson(const TJobDef_ExportAtts& v) {
  return InlineObject({{QStringLiteral("AttIncludeList"), JList(v.AttIncludeList())},
                       {QStringLiteral("AttExcludeList"), JList(v.AttExcludeList())},
                       {QStringLiteral("CheckAttSize"), JBool(v.CheckAttSize())},
                       {QStringLiteral("AttMinSizeKB"), JInt(v.AttMinSizeKB())},
                       {QStringLiteral("HiddenAlso"), JBool(v.HiddenAlso())},
                       {QStringLiteral("RecurseMsg"), JBool(v.RecurseMsg())},
                       {QStringLiteral("DestFolder"), JString(v.DestFolder())},
                       {QStringLiteral("SubFolderMask"), JString(v.SubFolderMask())},
                       {QStringLiteral("ExistMode"), JEnum(v.ExistMode(), kExistModeNames)},
                       {QStringLiteral("ShortcutMode"), JEnum(v.ShortcutMode(), kShortcutModeNames)}});
}

QString CopyMoveJson(const TJobDef_CopyMove& v) {
  return InlineObject({{QStringLiteral("FolderEntryID"), JString(v.FolderEntryID())},
                       {QStringLiteral("FolderStoreID"), JString(v.FolderStoreID())},
                       {QStringLiteral("SubFolderMask"), JString(v.SubFolderMask())}});
}

QString InboxTaskJson(const TJobDef_Inbox& v, int level) {
  const TJobDef_InboxFilter& f = v.InboxFilter();
  const QString filter = InlineObject({{QStringLiteral("SenderMasks"), JString(f.SenderMasks())},
                                       {QStringLiteral("RecipientMasks"), JString(f.RecipientMasks())},
                                       {QStringLiteral("SubjectMask"), JString(f.SubjectMask())},
                                       {QStringLiteral("AttNameMasks"), JString(f.AttNameMasks())}});
  return BlockObject({{QStringLiteral("InboxFilter"), filter},
                      {QStringLiteral("ExportEmails"), JBool(v.ExportEmails())},
                      {QStringLiteral("JobDef_ExportEmails"), ExportEmailsJson(v.JobDef_ExportEmails())},
                      {QStringLiteral("ExportAtts"), JBool(v.ExportAtts())},
                      {QStringLiteral("JobDef_ExportAtts"), ExportAttsJson(v.JobDef_ExportAtts())}},
                     level);
}

// ---- reading: one object at a time, every member checked and accounted for

QString JoinField(const QString& path, const QString& name) {
  return path.isEmpty() ? name : path + QLatin1Char('.') + name;
}

class TObjectReader {
public:
  TObjectReader(const QJsonValue& v, QString path) : FPath(std::move(path)) {
    if (!v.isObject()) Fail(FPath, QStringLiteral("expected an object"));
    FObject = v.toObject();
  }

  [[noreturn]] static void Fail(const QString& field, const QString& what) {
    throw Exception(field.isEmpty() ? what : field + QStringLiteral(": ") + what);
  }

  QString Field(const QString& name) const { return JoinField(FPath, name); }

  bool Has(const QString& name) const { return FObject.contains(name); }

  // The member, marked as used; undefined when absent.
  QJsonValue Take(const QString& name) {
    FUsed.insert(name);
    return FObject.value(name);
  }

  bool Bool(const QString& name, bool def) {
    const QJsonValue v = Take(name);
    if (v.isUndefined()) return def;
    if (!v.isBool()) Fail(Field(name), QStringLiteral("expected true or false"));
    return v.toBool();
  }

  QString String(const QString& name, const QString& def) {
    const QJsonValue v = Take(name);
    if (v.isUndefined()) return def;
    if (!v.isString()) Fail(Field(name), QStringLiteral("expected a string"));
    return v.toString();
  }

  std::int32_t Integer(const QString& name, std::int32_t def) {
    const QJsonValue v = Take(name);
    if (v.isUndefined()) return def;
    if (!IsInt32(v)) Fail(Field(name), QStringLiteral("expected a 32-bit integer"));
    return std::int32_t(v.toDouble());
  }

  double DateTime(const QString& name, double def) {
    const QJsonValue v = Take(name);
    if (v.isUndefined()) return def;
    if (v.isDouble()) return v.toDouble();
    if (v.toString() == kNaN) return std::nan("");
    if (v.toString() == kInfinity) return HUGE_VAL;
    if (v.toString() == kMinusInfinity) return -HUGE_VAL;
    Fail(Field(name), QStringLiteral("expected a number (days since 1899-12-30)"));
  }

  QStringList List(const QString& name, const QStringList& def) {
    const QJsonValue v = Take(name);
    if (v.isUndefined()) return def;
    if (!v.isArray()) Fail(Field(name), QStringLiteral("expected an array of strings"));
    QStringList out;
    const QJsonArray a = v.toArray();
    for (qsizetype i = 0; i < a.size(); ++i) {
      if (!a[i].isString()) Fail(QStringLiteral("%1[%2]").arg(Field(name)).arg(i), QStringLiteral("expected a string"));
      out << a[i].toString();
    }
    return out;
  }

  template <typename TEnum>
  TEnum Enum(const QString& name, TEnum def, const QStringList& names) {
    const QJsonValue v = Take(name);
    if (v.isUndefined()) return def;
    if (v.isString()) {
      const qsizetype index = names.indexOf(v.toString());
      if (index < 0)
        Fail(Field(name), QStringLiteral("unknown value \"%1\" (expected %2)").arg(v.toString(), names.join(QStringLiteral(", "))));
      return static_cast<TEnum>(index);
    }
    // A number keeps any ordinal, also one without a name.
    if (IsInt32(v)) return static_cast<TEnum>(std::int32_t(v.toDouble()));
    Fail(Field(name), QStringLiteral("expected a string or a number"));
  }

  // A member that is an object; absent gives nothing to read.
  bool Object(const QString& name, std::optional<TObjectReader>& out) {
    const QJsonValue v = Take(name);
    if (v.isUndefined()) return false;
    out.emplace(v, Field(name));
    return true;
  }

  // Every member must have been read: a misspelt one must not vanish.
  void Finish() const {
    for (auto it = FObject.begin(); it != FObject.end(); ++it)
      if (!FUsed.contains(it.key())) Fail(Field(it.key()), QStringLiteral("unknown member"));
  }

private:
  static bool IsInt32(const QJsonValue& v) {
    if (!v.isDouble()) return false;
    const double d = v.toDouble();
    return std::floor(d) == d && d >= -2147483648.0 && d <= 2147483647.0;
  }

  QJsonObject FObject;
  QString FPath;
  QSet<QString> FUsed;
};

// Reads the part object `name` of r into part (cleared defaults kept for what
// is missing) with fill(reader, part).
template <typename TPart, typename TFill>
void ReadPart(TObjectReader& r, const QString& name, TPart& part, TFill fill) {
  std::optional<TObjectReader> sub;
  if (!r.Object(name, sub)) return;
  fill(*sub, part);
  sub->Finish();
}

// The reserved "FolderPath" member: only the mail store can resolve it.
void ReadFolderPath(TObjectReader& r, const TFolderPathResolver& resolver, QString& entryID, QString& storeID) {
  const QString name = QStringLiteral("FolderPath");
  if (!r.Has(name)) return;
  const QString path = r.String(name, QString());
  const QString field = r.Field(name);
  if (!resolver)
    TObjectReader::Fail(field, QStringLiteral("resolving folder paths needs the mail store; give FolderEntryID and FolderStoreID"));
  if (r.Has(QStringLiteral("FolderEntryID")) || r.Has(QStringLiteral("FolderStoreID")))
    TObjectReader::Fail(field, QStringLiteral("give either FolderPath or FolderEntryID and FolderStoreID"));
  resolver(field, path, entryID, storeID);
}

void FillSourceFilter(TObjectReader& r, TJobDef_SourceFilter& v, const TFolderPathResolver& resolver) {
  v.SetProcessFolder(r.Bool(QStringLiteral("ProcessFolder"), v.ProcessFolder()));
  QString entryID = r.String(QStringLiteral("FolderEntryID"), v.FolderEntryID());
  QString storeID = r.String(QStringLiteral("FolderStoreID"), v.FolderStoreID());
  ReadFolderPath(r, resolver, entryID, storeID);
  v.SetFolderEntryID(entryID);
  v.SetFolderStoreID(storeID);
  v.SetInclSubFolders(r.Bool(QStringLiteral("InclSubFolders"), v.InclSubFolders()));
}

void FillEmailFilter1(TObjectReader& r, TJobDef_EmailFilter1& v) {
  v.SetSenderIncludeList(r.List(QStringLiteral("SenderIncludeList"), v.SenderIncludeList()));
  v.SetSenderExcludeList(r.List(QStringLiteral("SenderExcludeList"), v.SenderExcludeList()));
  v.SetRecipientIncludeList(r.List(QStringLiteral("RecipientIncludeList"), v.RecipientIncludeList()));
  v.SetRecipientExcludeList(r.List(QStringLiteral("RecipientExcludeList"), v.RecipientExcludeList()));
  v.SetSubjectIncludeList(r.List(QStringLiteral("SubjectIncludeList"), v.SubjectIncludeList()));
  v.SetSubjectExcludeList(r.List(QStringLiteral("SubjectExcludeList"), v.SubjectExcludeList()));
  v.SetAttIncludeList(r.List(QStringLiteral("AttIncludeList"), v.AttIncludeList()));
  v.SetAttExcludeList(r.List(QStringLiteral("AttExcludeList"), v.AttExcludeList()));
}

void FillEmailFilter2(TObjectReader& r, TJobDef_EmailFilter2& v) {
  v.SetDateMode(r.Enum(QStringLiteral("DateMode"), v.DateMode(), kDateModeNames));
  v.SetDays(r.Integer(QStringLiteral("Days"), v.Days()));
  v.SetFromDate(r.DateTime(QStringLiteral("FromDate"), v.FromDate()));
  v.SetToDate(r.DateTime(QStringLiteral("ToDate"), v.ToDate()));
}

void FillExportEmails(TObjectReader& r, TJobDef_ExportEmails& v) {
  v.SetEmailFormat(r.Enum(QStringLiteral("EmailFormat"), v.EmailFormat(), kEmailFormatNames));
  v.SetDestFolder(r.String(QStringLiteral("DestFolder"), v.DestFolder()));
  v.SetSubFolderMask(r.String(QStringLiteral("SubFolderMask"), v.SubFolderMask()));
  v.SetExistMode(r.Enum(QStringLiteral("ExistMode"), v.ExistMode(), kExistModeNames));
  v.SetAttsAlso(r.Bool(QStringLiteral("AttsAlso"), v.AttsAlso()));
  v.SetLogExport(r.Bool(QStringLiteral("LogExport"), v.LogExport()));
  v.SetLogFolder(r.String(QStringLiteral("LogFolder"), v.LogFolder()));
  v.SetPrefixSubject(r.Bool(QStringLiteral("PrefixSubject"), v.PrefixSubject()));
  v.SetSubjectPrefix(r.String(QStringLiteral("SubjectPrefix"), v.SubjectPrefix()));
}

void FillExportAtts(TObjectReader& r, TJobDef_ExportAtts& v) {
  v.SetAttIncludeList(r.List(QStringLiteral("AttIncludeList"), v.AttIncludeList()));
  v.SetAttExcludeList(r.List(QStringLiteral("AttExcludeList"), v.AttExcludeList()));
  v.SetCheckAttSize(r.Bool(QStringLiteral("CheckAttSize"), v.CheckAttSize()));
  v.SetAttMinSizeKB(r.Integer(QStringLiteral("AttMinSizeKB"), v.AttMinSizeKB()));
  v.SetHiddenAlso(r.Bool(QStringLiteral("HiddenAlso"), v.HiddenAlso()));
  v.SetRecurseMsg(r.Bool(QStringLiteral("RecurseMsg"), v.RecurseMsg()));
  v.SetDestFolder(r.String(QStringLiteral("DestFolder"), v.DestFolder()));
  v.SetSubFolderMask(r.String(QStringLiteral("SubFolderMask"), v.SubFolderMask()));
  v.SetExistMode(r.Enum(QStringLiteral("ExistMode"), v.ExistMode(), kExistModeNames));
  v.SetShortcutMode(r.Enum(QStringLiteral("ShortcutMode"), v.ShortcutMode(), kShortcutModeNames));
}

void FillCopyMove(TObjectReader& r, TJobDef_CopyMove& v, const TFolderPathResolver& resolver) {
  QString entryID = r.String(QStringLiteral("FolderEntryID"), v.FolderEntryID());
  QString storeID = r.String(QStringLiteral("FolderStoreID"), v.FolderStoreID());
  ReadFolderPath(r, resolver, entryID, storeID);
  v.SetFolderEntryID(entryID);
  v.SetFolderStoreID(storeID);
  v.SetSubFolderMask(r.String(QStringLiteral("SubFolderMask"), v.SubFolderMask()));
}

void FillInboxFilter(TObjectReader& r, TJobDef_InboxFilter& v) {
  v.SetSenderMasks(r.String(QStringLiteral("SenderMasks"), v.SenderMasks()));
  v.SetRecipientMasks(r.String(QStringLiteral("RecipientMasks"), v.RecipientMasks()));
  v.SetSubjectMask(r.String(QStringLiteral("SubjectMask"), v.SubjectMask()));
  v.SetAttNameMasks(r.String(QStringLiteral("AttNameMasks"), v.AttNameMasks()));
}

void FillInboxTask(TObjectReader& r, TJobDef_Inbox& v) {
  ReadPart(r, QStringLiteral("InboxFilter"), v.InboxFilter(), FillInboxFilter);
  v.SetExportEmails(r.Bool(QStringLiteral("ExportEmails"), v.ExportEmails()));
  ReadPart(r, QStringLiteral("JobDef_ExportEmails"), v.JobDef_ExportEmails(), FillExportEmails);
  v.SetExportAtts(r.Bool(QStringLiteral("ExportAtts"), v.ExportAtts()));
  ReadPart(r, QStringLiteral("JobDef_ExportAtts"), v.JobDef_ExportAtts(), FillExportAtts);
}

// Line and column (1-based, in characters) of a byte offset. The parser
// reports where it stopped, which can be past the blanks after the fault:
// those are stepped back over so the place is on the faulty line.
QPair<int, int> LineAndColumn(const QByteArray& text, int offset) {
  qsizetype end = std::clamp<qsizetype>(offset, 0, text.size());
  while (end > 0 && QByteArrayView(" \t\r\n").contains(text[end - 1])) --end;
  const QByteArray before = text.left(end);
  const qsizetype lineStart = before.lastIndexOf('\n') + 1;
  return {int(before.count('\n')) + 1, int(QString::fromUtf8(before.mid(lineStart)).size()) + 1};
}

// The top-level object, with "Version" checked and used.
TObjectReader ParseTop(const QByteArray& json, const QString& sourceName) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
  if (error.error != QJsonParseError::NoError) {
    const auto [line, column] = LineAndColumn(json, error.offset);
    throw Exception(QStringLiteral("%1: bad JSON at line %2, column %3: %4")
                        .arg(sourceName).arg(line).arg(column).arg(error.errorString()));
  }
  if (!doc.isObject()) throw Exception(QStringLiteral("%1: expected a JSON object").arg(sourceName));
  TObjectReader r(doc.object(), QString());
  const QString version = r.String(QStringLiteral("Version"), kJobMagic55);
  if (!IsKnownJobMagic(version))
    TObjectReader::Fail(QStringLiteral("Version"), QStringLiteral("unknown version \"%1\" (expected %2, %3 or %4)")
                                                       .arg(version, kJobMagic50, kJobMagic52, kJobMagic55));
  return r;
}

}  // namespace

QByteArray JobDefToJson(const TJobDef_Manual& Job, const QString& Version) {
  const QString text = BlockObject({{QStringLiteral("Version"), JString(Version)},
                                    {QStringLiteral("SourceFilter"), SourceFilterJson(Job.SourceFilter())},
                                    {QStringLiteral("UseEmailFilter"), JBool(Job.UseEmailFilter())},
                                    {QStringLiteral("EmailFilter1"), EmailFilter1Json(Job.EmailFilter1())},
                                    {QStringLiteral("EmailFilter2"), EmailFilter2Json(Job.EmailFilter2())},
                                    {QStringLiteral("ExportEmails"), JBool(Job.ExportEmails())},
                                    {QStringLiteral("JobDef_ExportEmails"), ExportEmailsJson(Job.JobDef_ExportEmails())},
                                    {QStringLiteral("ExportAtts"), JBool(Job.ExportAtts())},
                                    {QStringLiteral("JobDef_ExportAtts"), ExportAttsJson(Job.JobDef_ExportAtts())},
                                    {QStringLiteral("CopyEmails"), JBool(Job.CopyEmails())},
                                    {QStringLiteral("JobDef_Copy"), CopyMoveJson(Job.JobDef_Copy())},
                                    {QStringLiteral("MoveEmails"), JBool(Job.MoveEmails())},
                                    {QStringLiteral("JobDef_Move"), CopyMoveJson(Job.JobDef_Move())}},
                                   0);
  return (text + QLatin1Char('\n')).toUtf8();
}

QByteArray InboxListToJson(const TJobDefList_Inbox& List, const QString& Version) {
  QStringList tasks;
  for (int i = 0; i < List.Count(); ++i) tasks << Indent(2) + InboxTaskJson(List.GetItem(i), 2);
  const QString array = tasks.isEmpty() ? QStringLiteral("[]")
                                        : QStringLiteral("[\n") + tasks.join(QStringLiteral(",\n")) + QLatin1Char('\n') +
                                              Indent(1) + QLatin1Char(']');
  const QString text = BlockObject({{QStringLiteral("Version"), JString(Version)},
                                    {QStringLiteral("Active"), JBool(List.Active())},
                                    {QStringLiteral("Tasks"), array}},
                                   0);
  return (text + QLatin1Char('\n')).toUtf8();
}

TJobDef_Manual JobDefFromJson(const QByteArray& Json, const QString& SourceName, const TFolderPathResolver& Resolver) {
  TObjectReader r = ParseTop(Json, SourceName);
  TJobDef_Manual job;
  job.Clear();
  auto withResolver = [&](auto fill) {
    return [&, fill](TObjectReader& sub, auto& part) { fill(sub, part, Resolver); };
  };
  ReadPart(r, QStringLiteral("SourceFilter"), job.SourceFilter(), withResolver(FillSourceFilter));
  job.SetUseEmailFilter(r.Bool(QStringLiteral("UseEmailFilter"), job.UseEmailFilter()));
  ReadPart(r, QStringLiteral("EmailFilter1"), job.EmailFilter1(), FillEmailFilter1);
  ReadPart(r, QStringLiteral("EmailFilter2"), job.EmailFilter2(), FillEmailFilter2);
  job.SetExportEmails(r.Bool(QStringLiteral("ExportEmails"), job.ExportEmails()));
  ReadPart(r, QStringLiteral("JobDef_ExportEmails"), job.JobDef_ExportEmails(), FillExportEmails);
  job.SetExportAtts(r.Bool(QStringLiteral("ExportAtts"), job.ExportAtts()));
  ReadPart(r, QStringLiteral("JobDef_ExportAtts"), job.JobDef_ExportAtts(), FillExportAtts);
  job.SetCopyEmails(r.Bool(QStringLiteral("CopyEmails"), job.CopyEmails()));
  ReadPart(r, QStringLiteral("JobDef_Copy"), job.JobDef_Copy(), withResolver(FillCopyMove));
  job.SetMoveEmails(r.Bool(QStringLiteral("MoveEmails"), job.MoveEmails()));
  ReadPart(r, QStringLiteral("JobDef_Move"), job.JobDef_Move(), withResolver(FillCopyMove));
  r.Finish();
  return job;
}

TJobDefList_Inbox InboxListFromJson(const QByteArray& Json, const QString& SourceName) {
  TObjectReader r = ParseTop(Json, SourceName);
  TJobDefList_Inbox list;
  list.SetActive(r.Bool(QStringLiteral("Active"), false));
  const QJsonValue tasks = r.Take(QStringLiteral("Tasks"));
  if (!tasks.isUndefined() && !tasks.isArray()) TObjectReader::Fail(QStringLiteral("Tasks"), QStringLiteral("expected an array"));
  const QJsonArray array = tasks.toArray();
  for (qsizetype i = 0; i < array.size(); ++i) {
    TObjectReader t(array[i], QStringLiteral("Tasks[%1]").arg(i));
    TJobDef_Inbox task;
    task.Clear();
    FillInboxTask(t, task);
    t.Finish();
    list.Insert(list.Count(), task);
  }
  r.Finish();
  return list;
}
