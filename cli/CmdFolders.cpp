#include "cli/CliSupport.h"
#include "cli/Commands.h"

int RunFoldersCommand(const QStringList&) { throw Exception(QStringLiteral("not built yet")); }
