#include "addin/forms/Help.h"

#include "core/Exception.h"
#include "core/FilenameTools.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>

QString HelpDirectory() { return JoinPath(GetModuleDirectory(), QStringLiteral("Help")) + QLatin1Char('/'); }

void OpenHelpPage(QWidget* /*owner: the desktop places the browser itself*/, const QString& page) {
  const QString path = JoinPath(HelpDirectory(), page);
  const QFileInfo info(path);
  if (!info.exists()) throw EOSError::FromErrno(ENOENT, path);
  if (!info.isReadable()) throw EOSError::FromErrno(EACCES, path);
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
    throw Exception(QStringLiteral("No program to open the help page could be started: %1").arg(path));
}
