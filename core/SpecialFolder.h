// The user's shell folders.
#pragma once

#include <QString>

// The path of the special folder with that CSIDL number, not created; empty
// for a number without a counterpart here (5, the documents folder, is
// QStandardPaths' documents location). Never raises.
QString GetSpecialFolderPath(int csidl);
// GetSpecialFolderPath(5).
QString GetMyDocumentsPath();
