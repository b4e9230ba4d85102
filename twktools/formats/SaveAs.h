// The store component's save-as-file: one entry point for every format code.
#pragma once

#include "twktools/TWKtools.h"

#include <QIODevice>
#include <functional>

namespace twkformats {

// Writes mail as path in the format of the code (olTXT, olRTF, olMSG,
// olHTML, olMSGUnicode, olRFC822, olMHTML). The file is written beside under
// a temporary name and renamed over path only when complete; a failure
// leaves any old file as it was. An unknown code: EComError(E_INVALIDARG).
void SaveMessageAs(IRDOMail* mail, const QString& path, int format);

// The crash-safe write that SaveMessageAs uses: write fills a seekable device.
void WriteFileSafely(const QString& path, const std::function<void(QIODevice*)>& write);

}  // namespace twkformats
