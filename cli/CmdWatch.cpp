// twk watch
#include "cli/CliSupport.h"
#include "cli/Commands.h"

int RunWatchCommand(const QStringList&) { throw Exception(QStringLiteral("not available yet")); }
