// The system's error classes. `Exception` and `EComError` are shared with the
// store component (twktools/TWKerrors.h); the rest belong to the system.
#pragma once

#include "twktools/TWKerrors.h"

// Cancel by the user. Never recorded as an error.
class EAbort : public Exception {
public:
  EAbort() : Exception(QStringLiteral("User cancelled")) {}
};

// An operating-system failure with its errno and the system's text for it.
class EOSError : public Exception {
public:
  EOSError(int code, const QString& message) : Exception(message), FErrorCode(code) {}
  int ErrorCode() const { return FErrorCode; }

  // The error of the last failed call (errno), optionally naming what failed.
  [[nodiscard]] static EOSError FromErrno(int code, const QString& what = QString());

private:
  int FErrorCode;
};

// Raises EOSError for errno, with `what` (usually a path) in the message.
[[noreturn]] void RaiseLastOSError(const QString& what = QString());
