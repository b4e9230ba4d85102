// The files a TNEF stream (winmail.dat, application/ms-tnef) carries, read
// with libytnef.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace twkmaildir {

struct TTnefFile {
  QString Name;
  QByteArray Data;
  std::int64_t Modified = 0;  // Unix time of its last change; 0 when not given
};

struct TTnefContent {
  QString Body;  // the message text the stream carries; empty when none
  std::vector<TTnefFile> Files;
};

// None when the bytes are not a TNEF stream that reads whole.
std::optional<TTnefContent> ReadTnef(const QByteArray& bytes);

// Whether a part of this type and file name holds a TNEF stream.
bool IsTnefPart(const QByteArray& mimeType, const QString& fileName);

}  // namespace twkmaildir
