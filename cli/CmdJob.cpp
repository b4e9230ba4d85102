#include "cli/CliSupport.h"
#include "cli/Commands.h"

int RunJobCommand(const QStringList&) { throw Exception(QStringLiteral("not built yet")); }
int RunInboxCommand(const QStringList&) { throw Exception(QStringLiteral("not built yet")); }
