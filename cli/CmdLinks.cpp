// twk reimport, twk relocate
#include "cli/CliSupport.h"
#include "cli/Commands.h"

int RunReimportCommand(const QStringList&) { throw Exception(QStringLiteral("not available yet")); }
int RunRelocateCommand(const QStringList&) { throw Exception(QStringLiteral("not available yet")); }
