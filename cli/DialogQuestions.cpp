#include "cli/DialogQuestions.h"

#include "cli/CliSupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

QString TDialogQuestions::Helper() {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return {};
  const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/twk-ask");
  return QFileInfo(path).isExecutable() ? path : QString();
}

char TDialogQuestions::Ask(const QStringList& args) {
  QProcess p;
  p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  p.start(FHelper, args);
  if (!p.waitForStarted(-1) || !p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    // A question that could not be asked must not send what the user did
    // not agree to: as a cancel, the message stays unsent.
    Err(QStringLiteral("twk sendmail: the question dialog (%1) failed: %2\n").arg(FHelper, p.errorString()));
    return 'c';
  }
  const QByteArray out = p.readAllStandardOutput().trimmed();
  return out.size() == 1 ? out.at(0) : 'c';
}

TSendQuestions::TReplaceAnswer TDialogQuestions::AskReplace(const QString& att, const QString& org, bool trusted) {
  switch (Ask({QStringLiteral("replace"), att, org, trusted ? QStringLiteral("trusted") : QStringLiteral("untrusted")})) {
    case 'y': return raYes;
    case 'n': return raNo;
    case 'a': return raAlways;
    case 'v': return raNever;
    default: return raCancel;
  }
}

TSendQuestions::TDeleteAnswer TDialogQuestions::AskDeleteLink(const QString& att, const QString& org) {
  switch (Ask({QStringLiteral("delete"), att, org})) {
    case 'y': return daYes;
    case 'n': return daNo;
    default: return daCancel;
  }
}
