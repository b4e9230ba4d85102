#include "cli/CliSupport.h"

#include "core/RDOSession.h"
#include "core/RedemptionTools.h"
#include "core/uRedemptionLoader.h"

#include <QFile>
#include <cstdio>

void Out(const QString& text) {
  const QByteArray b = text.toUtf8();
  std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
  std::fflush(stdout);
}

void Err(const QString& text) {
  const QByteArray b = text.toUtf8();
  std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
  std::fflush(stderr);
}

bool WantsHelp(const QStringList& args) {
  return args.contains(QStringLiteral("-h")) || args.contains(QStringLiteral("--help"));
}

QByteArray ReadInputFile(const QString& path) {
  QFile f;
  const bool ok = path == QStringLiteral("-") ? f.open(stdin, QIODevice::ReadOnly)
                                              : (f.setFileName(path), f.open(QIODevice::ReadOnly));
  if (!ok) throw Exception(QStringLiteral("%1: %2").arg(path, f.errorString()));
  return f.readAll();
}

QString TakeOption(QStringList& args, const QStringList& names) {
  for (int i = 0; i < args.size(); ++i) {
    if (!names.contains(args[i])) continue;
    if (i + 1 >= args.size()) throw EUsage(QStringLiteral("%1 needs a value").arg(args[i]));
    const QString value = args[i + 1];
    args.remove(i, 2);
    return value;
  }
  return QString();
}

bool TakeFlag(QStringList& args, const QStringList& names) {
  bool found = false;
  for (int i = args.size() - 1; i >= 0; --i)
    if (names.contains(args[i])) {
      args.removeAt(i);
      found = true;
    }
  return found;
}

void ConnectBesideProgram(TRDOSession& session) {
  GlobalRedemptionLoader().UseComponentBesideProgram();
  session.ConnectTo(GlobalRedemptionLoader().new_RDOSession());
}

TwkPtr<IRDOFolder> FindFolderByPathOrID(IRDOSession* session, const QString& text) {
  if (text.startsWith(QStringLiteral("\\\\"))) return FindFolderByPath(session, text);
  return GetRDOFolder(session, text, QString());
}
