// What the libFuzzer targets share: a scratch file for readers that take a
// path, text from fuzz bytes, and the abort that makes a broken property a
// finding.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace twkfuzz {

// A path in a private directory of this process; the same name gives the
// same path, so each run overwrites the file of the one before.
inline QString ScratchFile(const QString& name) {
  static QTemporaryDir dir;
  return dir.path() + QLatin1Char('/') + name;
}

inline QString WriteScratch(const QString& name, const std::uint8_t* data, size_t size) {
  const QString path = ScratchFile(name);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size)) {
    std::fprintf(stderr, "cannot write the scratch file %s\n", qPrintable(path));
    std::abort();
  }
  return path;
}

inline QByteArray Bytes(const std::uint8_t* data, size_t size) {
  return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A property that must hold for every input.
inline void Require(bool holds, const char* what, const QString& detail = QString()) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n%s\n", what, qPrintable(detail));
  std::abort();
}

}  // namespace twkfuzz
