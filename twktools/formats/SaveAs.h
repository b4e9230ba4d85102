// The store component's save-as-file: one entry point for every format code.
#pragma once

#include "twktools/TWKtools.h"


namespace twkformats {

// Writes mail as path in the format of the code (olTXT, olRTF, olMSG,
// olHTML, olMSGUnicode, olRFC822, olMHTML), by the Plain rule of WriteFile:
// a failure leaves any old file as it was and no partial new one. An
// unknown code: EComError(E_INVALIDARG).
void SaveMessageAs(IRDOMail* mail, const QString& path, int format);

}  // namespace twkformats
