#include "core/JobDef.h"

#include "core/BufferedReadFile.h"
#include "core/BufferedWriteFile.h"
#include "core/FilenameTools.h"

namespace {

constexpr std::int32_t kJobBufSize = 16384;
constexpr std::int32_t kInboxBufSize = 32768;

// Version 55 holds UTF-16 Strings; the older versions AnsiStrings.
bool IsUnicode(const QString& Magic) { return Magic == kJobMagic55; }

QString ReadText(TBufferedReadFile& Reader, const QString& Magic) {
  return IsUnicode(Magic) ? Reader.ReadString() : Reader.ReadAnsiString();
}

void ReadList(TBufferedReadFile& Reader, const QString& Magic, QStringList& v) {
  if (IsUnicode(Magic))
    Reader.ReadStrings(v);
  else
    Reader.ReadAnsiStrings(v);
}

QStringList ReadListValue(TBufferedReadFile& Reader, const QString& Magic) {
  QStringList v;
  ReadList(Reader, Magic, v);
  return v;
}

template <typename TEnum>
TEnum ReadOrdinal(TBufferedReadFile& Reader) {
  return static_cast<TEnum>(Reader.ReadInteger());
}

// Reads the magic; anything but the three known ones is a damaged file.
QString ReadMagic(TBufferedReadFile& Reader, const QString& Filename) {
  const QString magic = Reader.ReadAnsiString();
  if (!IsKnownJobMagic(magic)) throw EUnexpectedEOFError(Filename);
  return magic;
}

}  // namespace

bool IsKnownJobMagic(const QString& Magic) {
  return Magic == kJobMagic50 || Magic == kJobMagic52 || Magic == kJobMagic55;
}

// --- TJobDef_SourceFilter

void TJobDef_SourceFilter::Clear() { *this = TJobDef_SourceFilter(); }

void TJobDef_SourceFilter::WriteTo(TBufferedWriteFile& Writer) const {
  Writer.WriteBool(FProcessFolder);
  Writer.WriteString(FFolderEntryID);
  Writer.WriteString(FFolderStoreID);
  Writer.WriteBool(FInclSubFolders);
}

void TJobDef_SourceFilter::ReadFrom(TBufferedReadFile& Reader, const QString& Magic) {
  FProcessFolder = Reader.ReadBool();
  FFolderEntryID = ReadText(Reader, Magic);
  FFolderStoreID = ReadText(Reader, Magic);
  FInclSubFolders = Reader.ReadBool();
}

// --- TJobDef_EmailFilter1

void TJobDef_EmailFilter1::Clear() { *this = TJobDef_EmailFilter1(); }

QList<const QStringList*> TJobDef_EmailFilter1::Lists() const {
  return {&FSenderIncludeList,  &FSenderExcludeList, &FRecipientIncludeList, &FRecipientExcludeList,
          &FSubjectIncludeList, &FSubjectExcludeList, &FAttIncludeList,      &FAttExcludeList};
}

void TJobDef_EmailFilter1::WriteTo(TBufferedWriteFile& Writer) const {
  for (const QStringList* list : Lists()) Writer.WriteStrings(*list);
}

void TJobDef_EmailFilter1::ReadFrom(TBufferedReadFile& Reader, const QString& Magic) {
  ReadList(Reader, Magic, FSenderIncludeList);
  ReadList(Reader, Magic, FSenderExcludeList);
  ReadList(Reader, Magic, FRecipientIncludeList);
  ReadList(Reader, Magic, FRecipientExcludeList);
  ReadList(Reader, Magic, FSubjectIncludeList);
  ReadList(Reader, Magic, FSubjectExcludeList);
  ReadList(Reader, Magic, FAttIncludeList);
  ReadList(Reader, Magic, FAttExcludeList);
}

// --- TJobDef_EmailFilter2

void TJobDef_EmailFilter2::Clear() { *this = TJobDef_EmailFilter2(); }

void TJobDef_EmailFilter2::WriteTo(TBufferedWriteFile& Writer) const {
  Writer.WriteInteger(FDateMode);
  Writer.WriteInteger(FDays);
  Writer.WriteDateTime(FFromDate);
  Writer.WriteDateTime(FToDate);
}

void TJobDef_EmailFilter2::ReadFrom(TBufferedReadFile& Reader) {
  FDateMode = ReadOrdinal<TDateMode>(Reader);
  FDays = Reader.ReadInteger();
  FFromDate = Reader.ReadDateTime();
  FToDate = Reader.ReadDateTime();
}

// --- TJobDef_ExportEmails

void TJobDef_ExportEmails::Clear() {
  *this = TJobDef_ExportEmails();
  FEmailFormat = efEML;
  FSubFolderMask = QStringLiteral("[OR]\\[BX50]");
}

void TJobDef_ExportEmails::WriteTo(TBufferedWriteFile& Writer) const {
  Writer.WriteInteger(FEmailFormat);
  Writer.WriteString(FDestFolder);
  Writer.WriteString(FSubFolderMask);
  Writer.WriteInteger(FExistMode);
  Writer.WriteBool(FAttsAlso);
  Writer.WriteBool(FLogExport);
  Writer.WriteString(FLogFolder);
  Writer.WriteBool(FPrefixSubject);
  Writer.WriteString(FSubjectPrefix);
}

void TJobDef_ExportEmails::ReadFrom(TBufferedReadFile& Reader, const QString& Magic) {
  FEmailFormat = ReadOrdinal<TEmailFormat>(Reader);
  FDestFolder = ReadText(Reader, Magic);
  FSubFolderMask = ReadText(Reader, Magic);
  FExistMode = ReadOrdinal<TExistMode>(Reader);
  FAttsAlso = Reader.ReadBool();
  FLogExport = Reader.ReadBool();
  FLogFolder = ReadText(Reader, Magic);
  // The subject prefix came with version 55; older files keep the defaults.
  if (IsUnicode(Magic)) {
    FPrefixSubject = Reader.ReadBool();
    FSubjectPrefix = Reader.ReadString();
  } else {
    FPrefixSubject = false;
    FSubjectPrefix.clear();
  }
}

// --- TJobDef_ExportAtts

void TJobDef_ExportAtts::Clear() {
  *this = TJobDef_ExportAtts();
  FSubFolderMask = QStringLiteral("[OR]\\[FE]");
}

void TJobDef_ExportAtts::WriteTo(TBufferedWriteFile& Writer) const {
  Writer.WriteStrings(FAttIncludeList);
  Writer.WriteStrings(FAttExcludeList);
  Writer.WriteBool(FCheckAttSize);
  Writer.WriteInteger(FAttMinSizeKB);
  Writer.WriteBool(FHiddenAlso);
  Writer.WriteBool(FRecurseMsg);
  Writer.WriteString(FDestFolder);
  Writer.WriteString(FSubFolderMask);
  Writer.WriteInteger(FExistMode);
  Writer.WriteInteger(FShortcutMode);
}

void TJobDef_ExportAtts::ReadFrom(TBufferedReadFile& Reader, const QString& Magic) {
  FAttIncludeList = ReadListValue(Reader, Magic);
  FAttExcludeList = ReadListValue(Reader, Magic);
  FCheckAttSize = Reader.ReadBool();
  FAttMinSizeKB = Reader.ReadInteger();
  FHiddenAlso = Reader.ReadBool();
  FRecurseMsg = Reader.ReadBool();
  FDestFolder = ReadText(Reader, Magic);
  FSubFolderMask = ReadText(Reader, Magic);
  FExistMode = ReadOrdinal<TExistMode>(Reader);
  FShortcutMode = ReadOrdinal<TShortcutMode>(Reader);
}

void TJobDef_ExportAtts::ApplyVersion50Mask() { FSubFolderMask = JoinMaskPath(FSubFolderMask, QStringLiteral("[FE]")); }

// --- TJobDef_CopyMove

void TJobDef_CopyMove::Clear() {
  *this = TJobDef_CopyMove();
  FSubFolderMask = QStringLiteral("[OR]");
}

void TJobDef_CopyMove::WriteTo(TBufferedWriteFile& Writer) const {
  Writer.WriteString(FFolderEntryID);
  Writer.WriteString(FFolderStoreID);
  Writer.WriteString(FSubFolderMask);
}

void TJobDef_CopyMove::ReadFrom(TBufferedReadFile& Reader, const QString& Magic) {
  FFolderEntryID = ReadText(Reader, Magic);
  FFolderStoreID = ReadText(Reader, Magic);
  FSubFolderMask = ReadText(Reader, Magic);
}

// --- TJobDef_Manual

void TJobDef_Manual::Clear() {
  FSourceFilter.Clear();
  FUseEmailFilter = false;
  FEmailFilter1.Clear();
  FEmailFilter2.Clear();
  FExportEmails = false;
  FJobDef_ExportEmails.Clear();
  FExportAtts = false;
  FJobDef_ExportAtts.Clear();
  FCopyEmails = false;
  FJobDef_Copy.Clear();
  FMoveEmails = false;
  FJobDef_Move.Clear();
}

void TJobDef_Manual::SaveToFile(const QString& Filename) const {
  TBufferedWriteFile writer;
  writer.CreateFile(Filename, kJobBufSize);
  writer.WriteAnsiString(kJobMagic55);
  FSourceFilter.WriteTo(writer);
  writer.WriteBool(FUseEmailFilter);
  FEmailFilter1.WriteTo(writer);
  FEmailFilter2.WriteTo(writer);
  writer.WriteBool(FExportEmails);
  FJobDef_ExportEmails.WriteTo(writer);
  writer.WriteBool(FExportAtts);
  FJobDef_ExportAtts.WriteTo(writer);
  writer.WriteBool(FCopyEmails);
  FJobDef_Copy.WriteTo(writer);
  writer.WriteBool(FMoveEmails);
  FJobDef_Move.WriteTo(writer);
  writer.CloseFile();
}

QString TJobDef_Manual::LoadFromFile(const QString& Filename) {
  Clear();
  TBufferedReadFile reader;
  reader.Open(Filename, kJobBufSize);
  const QString magic = ReadMagic(reader, Filename);
  FSourceFilter.ReadFrom(reader, magic);
  FUseEmailFilter = reader.ReadBool();
  FEmailFilter1.ReadFrom(reader, magic);
  FEmailFilter2.ReadFrom(reader);
  FExportEmails = reader.ReadBool();
  FJobDef_ExportEmails.ReadFrom(reader, magic);
  FExportAtts = reader.ReadBool();
  FJobDef_ExportAtts.ReadFrom(reader, magic);
  FCopyEmails = reader.ReadBool();
  FJobDef_Copy.ReadFrom(reader, magic);
  FMoveEmails = reader.ReadBool();
  FJobDef_Move.ReadFrom(reader, magic);
  if (magic == kJobMagic50) FJobDef_ExportAtts.ApplyVersion50Mask();
  return magic;
}

// --- TJobDef_InboxFilter

void TJobDef_InboxFilter::Clear() { *this = TJobDef_InboxFilter(); }

void TJobDef_InboxFilter::WriteTo(TBufferedWriteFile& Writer) const {
  Writer.WriteString(FSenderMasks);
  Writer.WriteString(FRecipientMasks);
  Writer.WriteString(FSubjectMask);
  Writer.WriteString(FAttNameMasks);
}

void TJobDef_InboxFilter::ReadFrom(TBufferedReadFile& Reader, const QString& Magic) {
  FSenderMasks = ReadText(Reader, Magic);
  FRecipientMasks = ReadText(Reader, Magic);
  FSubjectMask = ReadText(Reader, Magic);
  FAttNameMasks = ReadText(Reader, Magic);
}

// --- TJobDef_Inbox

void TJobDef_Inbox::Clear() {
  FInboxFilter.Clear();
  FExportEmails = false;
  FJobDef_ExportEmails.Clear();
  FExportAtts = false;
  FJobDef_ExportAtts.Clear();
}

void TJobDef_Inbox::WriteTo(TBufferedWriteFile& Writer) const {
  FInboxFilter.WriteTo(Writer);
  Writer.WriteBool(FExportEmails);
  FJobDef_ExportEmails.WriteTo(Writer);
  Writer.WriteBool(FExportAtts);
  FJobDef_ExportAtts.WriteTo(Writer);
}

void TJobDef_Inbox::ReadFrom(TBufferedReadFile& Reader, const QString& Magic) {
  Clear();
  FInboxFilter.ReadFrom(Reader, Magic);
  FExportEmails = Reader.ReadBool();
  FJobDef_ExportEmails.ReadFrom(Reader, Magic);
  FExportAtts = Reader.ReadBool();
  FJobDef_ExportAtts.ReadFrom(Reader, Magic);
  if (Magic == kJobMagic50) FJobDef_ExportAtts.ApplyVersion50Mask();
}

// --- TJobDefList_Inbox

void TJobDefList_Inbox::CheckIndex(int X, int Limit) const {
  if (X < 0 || X >= Limit) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(X));
}

const TJobDef_Inbox& TJobDefList_Inbox::GetItem(int X) const {
  CheckIndex(X, Count());
  return FList[X];
}

TJobDef_Inbox& TJobDefList_Inbox::GetItem(int X) {
  CheckIndex(X, Count());
  return FList[X];
}

void TJobDefList_Inbox::Clear() {
  FActive = false;
  FList.clear();
}

void TJobDefList_Inbox::Insert(int X, const TJobDef_Inbox& v) {
  CheckIndex(X, Count() + 1);
  FList.insert(X, v);
}

void TJobDefList_Inbox::Delete(int X) {
  CheckIndex(X, Count());
  FList.removeAt(X);
}

void TJobDefList_Inbox::Move(int OldX, int NewX) {
  CheckIndex(OldX, Count());
  CheckIndex(NewX, Count());
  FList.move(OldX, NewX);
}

void TJobDefList_Inbox::SaveToFile(const QString& Filename) const {
  TBufferedWriteFile writer;
  writer.CreateFile(Filename, kInboxBufSize);
  writer.WriteAnsiString(kJobMagic55);
  writer.WriteBool(FActive);
  writer.WriteInteger(Count());
  for (const TJobDef_Inbox& task : FList) task.WriteTo(writer);
  writer.CloseFile();
}

QString TJobDefList_Inbox::LoadFromFile(const QString& Filename) {
  Clear();
  TBufferedReadFile reader;
  reader.Open(Filename, kInboxBufSize);
  const QString magic = ReadMagic(reader, Filename);
  FActive = reader.ReadBool();
  const std::int32_t n = reader.ReadInteger();
  TJobDef_Inbox scratch;
  for (std::int32_t i = 0; i < n; ++i) {
    scratch.ReadFrom(reader, magic);
    Insert(Count(), scratch);
  }
  return magic;
}
