#include "core/ExportEmail_Log.h"

#include "core/Exception.h"
#include "core/FilenameTools.h"

#include <QDir>
#include <QtEndian>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

void TExportEmail_LogEntry::Clear() { *this = TExportEmail_LogEntry(); FSaveFormat = -1; }

QString FormatLogLine(const QStringList& fields) {
  QString line;
  for (qsizetype i = 0; i < fields.size(); ++i) {
    if (i) line += QLatin1Char('\t');
    QString f = fields[i];
    f.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    line += QLatin1Char('"') + f + QLatin1Char('"');
  }
  return line + QStringLiteral("\r\n");
}

namespace {

QByteArray Utf16Le(const QString& text) {
  QByteArray out(text.size() * 2, Qt::Uninitialized);
  qToLittleEndian<char16_t>(text.utf16(), text.size(), out.data());
  return out;
}

QString DatePart(TDateTime v) {
  const TDateTimeParts p = DecodeDateTime(v);
  return QString::asprintf("%.4d%.2d%.2d", p.Year, p.Month, p.Day);
}

QString TimePart(TDateTime v) {
  const TDateTimeParts p = DecodeDateTime(v);
  return QString::asprintf("%.2d%.2d%.2d", p.Hour, p.Minute, p.Second);
}

// One of the three files, open and locked for the length of one record.
class TLogFile {
public:
  TLogFile() = default;
  TLogFile(const TLogFile&) = delete;
  TLogFile& operator=(const TLogFile&) = delete;
  ~TLogFile() { Close(); }

  void Open(const QString& path) {
    FPath = path;
    const QByteArray native = QFile::encodeName(path);
    FFd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (FFd < 0) RaiseLastOSError(path);
    // Exclusive and without waiting: a log folder in use by another run is
    // that e-mail's error, not a reason to hang.
    if (::flock(FFd, LOCK_EX | LOCK_NB) != 0) {
      const int err = errno;
      Close();
      if (err == EWOULDBLOCK)
        throw EOSError(err, QStringLiteral("%1: the file is in use by another process").arg(path));
      throw EOSError::FromErrno(err, path);
    }
  }

  qint64 Size() const {
    const off_t size = ::lseek(FFd, 0, SEEK_END);
    if (size < 0) RaiseLastOSError(FPath);
    return size;
  }

  void WriteAt(qint64 offset, const QByteArray& bytes) {
    qint64 done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::pwrite(FFd, bytes.constData() + done, size_t(bytes.size() - done), offset + done);
      if (n < 0) {
        if (errno == EINTR) continue;
        RaiseLastOSError(FPath);
      }
      done += n;
    }
  }

  void Append(const QByteArray& bytes) { WriteAt(Size(), bytes); }

  QByteArray ReadStart(int maxBytes) const {
    QByteArray buf(maxBytes, Qt::Uninitialized);
    const ssize_t n = ::pread(FFd, buf.data(), size_t(maxBytes), 0);
    if (n < 0) RaiseLastOSError(FPath);
    buf.resize(n);
    return buf;
  }

  // Flushes to disk and closes; returns the first failure's errno (0 if none).
  int Close() {
    if (FFd < 0) return 0;
    int err = 0;
    if (::fsync(FFd) != 0) err = errno;
    if (::close(FFd) != 0 && !err) err = errno;
    FFd = -1;
    return err;
  }

  const QString& Path() const { return FPath; }

private:
  QString FPath;
  int FFd = -1;
};

const QStringList kEmlHeader = {
    QStringLiteral("ID"),          QStringLiteral("SenderName"),   QStringLiteral("SenderEmail"),
    QStringLiteral("RecipientName"), QStringLiteral("RecipientEmail"), QStringLiteral("DateSent"),
    QStringLiteral("TimeSent"),    QStringLiteral("Subject"),      QStringLiteral("MessageID"),
    QStringLiteral("OutlookFolder"), QStringLiteral("Filename"),   QStringLiteral("FileType"),
    QStringLiteral("AttCount"),    QStringLiteral("AttSaved"),     QStringLiteral("DateExported"),
    QStringLiteral("TimeExported")};
const QStringList kAttHeader = {QStringLiteral("ID"), QStringLiteral("Filename"), QStringLiteral("MessageID")};

void OpenLog(TLogFile& file, const QString& path, const QStringList& header) {
  file.Open(path);
  if (file.Size() == 0) file.WriteAt(0, QByteArray("\xFF\xFE", 2) + Utf16Le(FormatLogLine(header)));
}

int NextLogID(TLogFile& idFile) {
  bool ok = false;
  const int last = TrimStr(QString::fromLatin1(idFile.ReadStart(255))).toInt(&ok);
  const int n = ok ? last + 1 : 1;
  // Not truncated: the number never gets shorter in ordinary use.
  idFile.WriteAt(0, QByteArray::number(n) + "\r\n");
  return n;
}

}  // namespace

void TExportEmail_Log::AddToLog(const QString& logPath, const TExportEmail_LogEntry& e) {
  if (!QDir().mkpath(logPath))
    throw Exception(QStringLiteral("Unable to create directory %1").arg(logPath));
  TLogFile eml, att, id;
  OpenLog(eml, JoinPath(logPath, QStringLiteral("Eml-u.log")), kEmlHeader);
  OpenLog(att, JoinPath(logPath, QStringLiteral("Att-u.log")), kAttHeader);
  id.Open(JoinPath(logPath, QStringLiteral("ID-u.log")));

  const int n = NextLogID(id);
  const QString ids = QString::number(n);
  if (!e.AttachmentsSaved().isEmpty()) {
    QString lines;
    for (const QString& a : e.AttachmentsSaved()) lines += FormatLogLine({ids, a, e.MessageID()});
    att.Append(Utf16Le(lines));
  }
  eml.Append(Utf16Le(FormatLogLine(
      {ids, e.SenderName(), e.SenderEmail(), e.RecipientName(), e.RecipientEmail(), DatePart(e.DateTimeSent()),
       TimePart(e.DateTimeSent()), e.Subject(), e.MessageID(), e.OutlookFolder(), e.SaveFullName(),
       QString::number(e.SaveFormat()), QString::number(e.AttachmentCount()),
       QString::number(e.AttachmentsSaved().size()), DatePart(e.DateTimeExported()),
       TimePart(e.DateTimeExported())})));

  // Each file is flushed and closed even when an earlier one failed.
  const TLogFile* files[] = {&id, &att, &eml};
  int firstErr = 0;
  QString failed;
  for (const TLogFile* f : files) {
    const int err = const_cast<TLogFile*>(f)->Close();
    if (err && !firstErr) {
      firstErr = err;
      failed = f->Path();
    }
  }
  if (firstErr) throw EOSError::FromErrno(firstErr, failed);
}
