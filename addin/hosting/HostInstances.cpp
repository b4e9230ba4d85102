#include "addin/hosting/HostInstances.h"

#include "core/FilenameTools.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString InstanceDir() { return JoinPath(GetTempDirectory(), QStringLiteral("tarnwick-instances")); }

const char* kCanceled = "The registration process has been canceled.";

enum TAnswer { aCancel, aRetry, aIgnore };

TAnswer AskOnTerminal(const QString& text) {
  std::fprintf(stderr, "%s\n[C]ancel, [R]etry, [I]gnore? ", text.toLocal8Bit().constData());
  std::fflush(stderr);
  std::string line;
  // End of input counts as Cancel: nobody is there to answer.
  if (!std::getline(std::cin, line) || line.empty()) return aCancel;
  switch (line[0]) {
    case 'r': case 'R': return aRetry;
    case 'i': case 'I': return aIgnore;
    default: return aCancel;
  }
}

TAnswer AskInDialog(const QString& text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Tarnwick"), text, QMessageBox::Cancel | QMessageBox::Retry | QMessageBox::Ignore);
  switch (box.exec()) {
    case QMessageBox::Retry: return aRetry;
    case QMessageBox::Ignore: return aIgnore;
    default: return aCancel;
  }
}

}  // namespace

THostInstanceLock::THostInstanceLock(const QString& name) {
  QDir().mkpath(InstanceDir());
  FPath = JoinPath(InstanceDir(), QString::number(::getpid()));
  FFd = ::open(QFile::encodeName(FPath).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (FFd < 0) return;  // no lock: registration then cannot see this instance
  ::flock(FFd, LOCK_EX);
  const QByteArray text = name.toUtf8();
  if (::write(FFd, text.constData(), size_t(text.size())) < 0) {
    // The name is only shown in the question; the lock is what counts.
  }
}

THostInstanceLock::~THostInstanceLock() {
  if (FFd < 0) return;
  ::unlink(QFile::encodeName(FPath).constData());
  ::close(FFd);
}

QStringList RunningHostInstances() {
  QStringList names;
  const QDir dir(InstanceDir());
  for (const QString& entry : dir.entryList(QDir::Files, QDir::Name)) {
    const QByteArray path = QFile::encodeName(dir.filePath(entry));
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
      ::unlink(path.constData());  // its instance has ended
    } else {
      char buf[256];
      const ssize_t n = ::read(fd, buf, sizeof buf);
      const QString name = n > 0 ? QString::fromUtf8(buf, n) : QStringLiteral("tarnwick");
      names.append(QStringLiteral("%1 (process %2)").arg(name, entry));
    }
    ::close(fd);
  }
  return names;
}

bool AskCloseRunningInstances() {
  const bool dialog = qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
  for (;;) {
    const QStringList running = RunningHostInstances();
    if (running.isEmpty()) return true;
    const QString text = QStringLiteral("Please close all running host application instances:\n") + running.join(QLatin1Char('\n'));
    const TAnswer answer = dialog ? AskInDialog(text) : AskOnTerminal(text);
    if (answer == aIgnore) return true;
    if (answer == aCancel) {
      if (dialog)
        QMessageBox::information(nullptr, QStringLiteral("Tarnwick"), QString::fromLatin1(kCanceled));
      else
        std::fprintf(stderr, "%s\n", kCanceled);
      return false;
    }
  }
}
