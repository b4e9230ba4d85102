#include "cli/CliSupport.h"
#include "cli/Commands.h"

int RunOptionsCommand(const QStringList&) { throw Exception(QStringLiteral("not built yet")); }
