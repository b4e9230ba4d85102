#include "core/Exception.h"

#include <cerrno>
#include <cstring>

EOSError EOSError::FromErrno(int code, const QString& what) {
  const QString text = QString::fromLocal8Bit(std::strerror(code));
  return EOSError(code, what.isEmpty() ? text : QStringLiteral("%1: %2").arg(what, text));
}

void RaiseLastOSError(const QString& what) {
  throw EOSError::FromErrno(errno, what);
}
