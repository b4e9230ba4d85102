#include "core/Sendmail.h"

#include "core/Exception.h"

#include <QProcess>

int RunSendmail(const QString& program, const QStringList& args, const QByteArray& message, QByteArray* output) {
  QProcess p;
  p.setProcessChannelMode(output ? QProcess::MergedChannels : QProcess::ForwardedChannels);
  p.start(program, args);
  if (!p.waitForStarted(-1))
    throw Exception(QStringLiteral("Unable to run the sendmail program \"%1\": %2").arg(program, p.errorString()));
  p.write(message);
  p.closeWriteChannel();
  p.waitForFinished(-1);
  if (output) *output = p.readAll();
  if (p.exitStatus() != QProcess::NormalExit)
    throw Exception(QStringLiteral("The sendmail program \"%1\" ended abnormally").arg(program));
  return p.exitCode();
}
