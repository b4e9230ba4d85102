// The property the readers of our own file formats share: any bytes are
// refused with an error exception or read, and what reads is written back
// and reads again to the same bytes.
#pragma once

#include "core/Exception.h"
#include "fuzz/FuzzSupport.h"

#include <QFile>

namespace twkfuzz {

// T loads with LoadFromFile and saves with SaveToFile; `kind` names the
// file in the findings ("a job file"), `ext` its extension.
template <class T>
void RequireFileRoundTrip(const std::uint8_t* data, size_t size, const char* kind, const QString& ext) {
  const QString savedPath = ScratchFile(QStringLiteral("saved") + ext);
  auto saved = [&](const T& value) {
    value.SaveToFile(savedPath);
    QFile f(savedPath);
    Require(f.open(QIODevice::ReadOnly), "a saved file can be read", QString::fromUtf8(kind));
    return f.readAll();
  };
  T first;
  try {
    first.LoadFromFile(WriteScratch(QStringLiteral("input") + ext, data, size));
  } catch (const Exception&) {
    return;  // refused: the answer for a damaged file
  }
  const QByteArray bytes = saved(first);
  T again;
  try {
    again.LoadFromFile(savedPath);
  } catch (const Exception& e) {
    Require(false, "a file written by SaveToFile reads back", QString::fromUtf8(kind) + QStringLiteral(": ") + e.Message());
  }
  Require(saved(again) == bytes, "a file reads back to the same bytes", QString::fromUtf8(kind));
}

}  // namespace twkfuzz
