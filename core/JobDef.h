// The job model: a manual job with its parts, the inbox tasks and their list,
// and their binary files (".twc", "inbox.twx").
//
// Value types: the constructor leaves every field zero or empty, Clear() sets
// the documented defaults, copying (or Assign) is a deep copy.
#pragma once

#include "core/Exception.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

class TBufferedReadFile;
class TBufferedWriteFile;

// Enumerations are stored as 32-bit ordinals. A value outside the named ones
// (from a manipulated file) is kept as read.
enum TDateMode : std::int32_t { dmAny, dmOlderThan, dmFromTo };
enum TExistMode : std::int32_t { emSuffix, emOverwrite };
enum TShortcutMode : std::int32_t { smNothing, smTWK, smRemove };
enum TEmailFormat : std::int32_t { efTXT, efMSG, efHTM, efEML, efMHT, efRTF, efMSGunicode };

// The magics of the file versions.
inline const QString kJobMagic50 = QStringLiteral("TWKOAD50");
inline const QString kJobMagic52 = QStringLiteral("TWKOAD52");
inline const QString kJobMagic55 = QStringLiteral("TWKOAD55");
// True for the three magics the loaders accept (exact, case-sensitive).
bool IsKnownJobMagic(const QString& Magic);

// An index outside a list.
class EListError : public Exception {
public:
  using Exception::Exception;
};

// Accessors for a field FName: Name() and SetName().
#define TWK_FIELD(Type, Name)                    \
public:                                          \
  const Type& Name() const { return F##Name; }   \
  void Set##Name(const Type& v) { F##Name = v; } \
                                                 \
private:                                         \
  Type F##Name

// Which e-mails a job takes.
class TJobDef_SourceFilter {
  TWK_FIELD(bool, ProcessFolder) = false;
  TWK_FIELD(QString, FolderEntryID);
  TWK_FIELD(QString, FolderStoreID);
  TWK_FIELD(bool, InclSubFolders) = false;

public:
  void Clear();
  void Assign(const TJobDef_SourceFilter& v) { *this = v; }
  bool operator==(const TJobDef_SourceFilter&) const = default;

private:
  friend class TJobDef_Manual;
  void WriteTo(TBufferedWriteFile& Writer) const;
  void ReadFrom(TBufferedReadFile& Reader, const QString& Magic);
};

// Include and exclude lists of wildcard patterns.
class TJobDef_EmailFilter1 {
  TWK_FIELD(QStringList, SenderIncludeList);
  TWK_FIELD(QStringList, SenderExcludeList);
  TWK_FIELD(QStringList, RecipientIncludeList);
  TWK_FIELD(QStringList, RecipientExcludeList);
  TWK_FIELD(QStringList, SubjectIncludeList);
  TWK_FIELD(QStringList, SubjectExcludeList);
  TWK_FIELD(QStringList, AttIncludeList);
  TWK_FIELD(QStringList, AttExcludeList);

public:
  void Clear();
  void Assign(const TJobDef_EmailFilter1& v) { *this = v; }
  bool operator==(const TJobDef_EmailFilter1&) const = default;

private:
  friend class TJobDef_Manual;
  // The eight lists in file order.
  QList<const QStringList*> Lists() const;
  void WriteTo(TBufferedWriteFile& Writer) const;
  void ReadFrom(TBufferedReadFile& Reader, const QString& Magic);
};

// The date condition.
class TJobDef_EmailFilter2 {
  TWK_FIELD(TDateMode, DateMode) = dmAny;
  TWK_FIELD(std::int32_t, Days) = 0;
  TWK_FIELD(double, FromDate) = 0;
  TWK_FIELD(double, ToDate) = 0;

public:
  void Clear();
  void Assign(const TJobDef_EmailFilter2& v) { *this = v; }
  bool operator==(const TJobDef_EmailFilter2&) const = default;

private:
  friend class TJobDef_Manual;
  void WriteTo(TBufferedWriteFile& Writer) const;
  void ReadFrom(TBufferedReadFile& Reader);
};

// Task "Export emails to disk".
class TJobDef_ExportEmails {
  TWK_FIELD(TEmailFormat, EmailFormat) = efTXT;
  TWK_FIELD(QString, DestFolder);
  TWK_FIELD(QString, SubFolderMask);
  TWK_FIELD(TExistMode, ExistMode) = emSuffix;
  TWK_FIELD(bool, AttsAlso) = false;
  TWK_FIELD(bool, LogExport) = false;
  TWK_FIELD(QString, LogFolder);
  TWK_FIELD(bool, PrefixSubject) = false;
  TWK_FIELD(QString, SubjectPrefix);

public:
  void Clear();
  void Assign(const TJobDef_ExportEmails& v) { *this = v; }
  bool operator==(const TJobDef_ExportEmails&) const = default;

private:
  friend class TJobDef_Manual;
  friend class TJobDef_Inbox;
  void WriteTo(TBufferedWriteFile& Writer) const;
  void ReadFrom(TBufferedReadFile& Reader, const QString& Magic);
};

// Task "Export attachments to disk".
class TJobDef_ExportAtts {
  TWK_FIELD(QStringList, AttIncludeList);
  TWK_FIELD(QStringList, AttExcludeList);
  TWK_FIELD(bool, CheckAttSize) = false;
  TWK_FIELD(std::int32_t, AttMinSizeKB) = 0;
  TWK_FIELD(bool, HiddenAlso) = false;
  TWK_FIELD(bool, RecurseMsg) = false;
  TWK_FIELD(QString, DestFolder);
  TWK_FIELD(QString, SubFolderMask);
  TWK_FIELD(TExistMode, ExistMode) = emSuffix;
  TWK_FIELD(TShortcutMode, ShortcutMode) = smNothing;

public:
  void Clear();
  void Assign(const TJobDef_ExportAtts& v) { *this = v; }
  bool operator==(const TJobDef_ExportAtts&) const = default;

private:
  friend class TJobDef_Manual;
  friend class TJobDef_Inbox;
  void WriteTo(TBufferedWriteFile& Writer) const;
  void ReadFrom(TBufferedReadFile& Reader, const QString& Magic);
  // Version 50 masks named the directories only; the file name was implied.
  void ApplyVersion50Mask();
};

// Task "Copy emails ..." or "Move emails to another Outlook folder".
class TJobDef_CopyMove {
  TWK_FIELD(QString, FolderEntryID);
  TWK_FIELD(QString, FolderStoreID);
  TWK_FIELD(QString, SubFolderMask);

public:
  void Clear();
  void Assign(const TJobDef_CopyMove& v) { *this = v; }
  bool operator==(const TJobDef_CopyMove&) const = default;

private:
  friend class TJobDef_Manual;
  void WriteTo(TBufferedWriteFile& Writer) const;
  void ReadFrom(TBufferedReadFile& Reader, const QString& Magic);
};

// A manual job.
class TJobDef_Manual {
public:
  // Parts, changeable in place.
  const TJobDef_SourceFilter& SourceFilter() const { return FSourceFilter; }
  TJobDef_SourceFilter& SourceFilter() { return FSourceFilter; }
  const TJobDef_EmailFilter1& EmailFilter1() const { return FEmailFilter1; }
  TJobDef_EmailFilter1& EmailFilter1() { return FEmailFilter1; }
  const TJobDef_EmailFilter2& EmailFilter2() const { return FEmailFilter2; }
  TJobDef_EmailFilter2& EmailFilter2() { return FEmailFilter2; }
  const TJobDef_ExportEmails& JobDef_ExportEmails() const { return FJobDef_ExportEmails; }
  TJobDef_ExportEmails& JobDef_ExportEmails() { return FJobDef_ExportEmails; }
  const TJobDef_ExportAtts& JobDef_ExportAtts() const { return FJobDef_ExportAtts; }
  TJobDef_ExportAtts& JobDef_ExportAtts() { return FJobDef_ExportAtts; }
  const TJobDef_CopyMove& JobDef_Copy() const { return FJobDef_Copy; }
  TJobDef_CopyMove& JobDef_Copy() { return FJobDef_Copy; }
  const TJobDef_CopyMove& JobDef_Move() const { return FJobDef_Move; }
  TJobDef_CopyMove& JobDef_Move() { return FJobDef_Move; }

  void Clear();
  void Assign(const TJobDef_Manual& v) { *this = v; }
  bool operator==(const TJobDef_Manual&) const = default;

  // Always writes version 55; an existing file is replaced only when the
  // new one is complete.
  void SaveToFile(const QString& Filename) const;
  // Clears, then reads a file of version 50, 52 or 55; returns the magic.
  QString LoadFromFile(const QString& Filename);

private:
  TJobDef_SourceFilter FSourceFilter;
  TWK_FIELD(bool, UseEmailFilter) = false;
  TJobDef_EmailFilter1 FEmailFilter1;
  TJobDef_EmailFilter2 FEmailFilter2;
  TWK_FIELD(bool, ExportEmails) = false;
  TJobDef_ExportEmails FJobDef_ExportEmails;
  TWK_FIELD(bool, ExportAtts) = false;
  TJobDef_ExportAtts FJobDef_ExportAtts;
  TWK_FIELD(bool, CopyEmails) = false;
  TJobDef_CopyMove FJobDef_Copy;
  TWK_FIELD(bool, MoveEmails) = false;
  TJobDef_CopyMove FJobDef_Move;
};

// The conditions of an inbox task; "" is no condition.
class TJobDef_InboxFilter {
  TWK_FIELD(QString, SenderMasks);
  TWK_FIELD(QString, RecipientMasks);
  TWK_FIELD(QString, SubjectMask);
  TWK_FIELD(QString, AttNameMasks);

public:
  void Clear();
  void Assign(const TJobDef_InboxFilter& v) { *this = v; }
  bool operator==(const TJobDef_InboxFilter&) const = default;

private:
  friend class TJobDef_Inbox;
  void WriteTo(TBufferedWriteFile& Writer) const;
  void ReadFrom(TBufferedReadFile& Reader, const QString& Magic);
};

// One inbox task.
class TJobDef_Inbox {
public:
  const TJobDef_InboxFilter& InboxFilter() const { return FInboxFilter; }
  TJobDef_InboxFilter& InboxFilter() { return FInboxFilter; }
  const TJobDef_ExportEmails& JobDef_ExportEmails() const { return FJobDef_ExportEmails; }
  TJobDef_ExportEmails& JobDef_ExportEmails() { return FJobDef_ExportEmails; }
  const TJobDef_ExportAtts& JobDef_ExportAtts() const { return FJobDef_ExportAtts; }
  TJobDef_ExportAtts& JobDef_ExportAtts() { return FJobDef_ExportAtts; }

  void Clear();
  void Assign(const TJobDef_Inbox& v) { *this = v; }
  bool operator==(const TJobDef_Inbox&) const = default;

  void WriteTo(TBufferedWriteFile& Writer) const;
  // Clears the task first; applies the version-50 mask rule.
  void ReadFrom(TBufferedReadFile& Reader, const QString& Magic);

private:
  TJobDef_InboxFilter FInboxFilter;
  TWK_FIELD(bool, ExportEmails) = false;
  TJobDef_ExportEmails FJobDef_ExportEmails;
  TWK_FIELD(bool, ExportAtts) = false;
  TJobDef_ExportAtts FJobDef_ExportAtts;
};

// The ordered inbox task list and the switch that turns watching on.
class TJobDefList_Inbox {
  TWK_FIELD(bool, Active) = false;

public:
  int Count() const { return int(FList.size()); }
  // The task at X; an index outside 0..Count-1 raises EListError.
  const TJobDef_Inbox& GetItem(int X) const;
  TJobDef_Inbox& GetItem(int X);
  const TJobDef_Inbox& Items(int X) const { return GetItem(X); }
  TJobDef_Inbox& Items(int X) { return GetItem(X); }

  void Clear();
  void Assign(const TJobDefList_Inbox& v) { *this = v; }
  bool operator==(const TJobDefList_Inbox&) const = default;
  // Inserts a copy of v at X (0..Count); the caller keeps v.
  void Insert(int X, const TJobDef_Inbox& v);
  void Delete(int X);
  void Move(int OldX, int NewX);

  // Always writes version 55; an existing file is replaced only when the
  // new one is complete.
  void SaveToFile(const QString& Filename) const;
  // Clears, then reads a file of version 50, 52 or 55; returns the magic.
  // When a task fails to read, the tasks before it stay and the error passes on.
  QString LoadFromFile(const QString& Filename);

private:
  void CheckIndex(int X, int Limit) const;
  QList<TJobDef_Inbox> FList;
};

#undef TWK_FIELD
