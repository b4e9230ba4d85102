#include "core/SpecialFolder.h"

#include <QStandardPaths>

namespace {
constexpr int CSIDL_PERSONAL = 5;
}

QString GetSpecialFolderPath(int csidl) {
  if (csidl == CSIDL_PERSONAL) return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return QString();
}

QString GetMyDocumentsPath() { return GetSpecialFolderPath(CSIDL_PERSONAL); }
