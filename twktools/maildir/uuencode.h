// Uuencoded files in a plain text ("begin 644 name" ... "end"), as older
// mail programs and news readers put them into the body.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace twkmaildir {

struct TUuFile {
  QString Name;
  QByteArray Data;  // decoded; a damaged block's own lines as they stand
};

struct TUuSplit {
  QByteArray Rest;  // the text without its blocks
  std::vector<TUuFile> Files;
};

// The blocks of a text and the text without them. A block without its
// "end" line, or with a line that is no uuencoding, is damaged: it is one
// file of its original bytes.
TUuSplit SplitUuencoded(const QByteArray& text);

// Whether a text may hold a block (a line starting with "begin ").
bool MayHoldUuencoded(const char* data, qsizetype size);

}  // namespace twkmaildir
