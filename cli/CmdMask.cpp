#include "cli/CliSupport.h"
#include "cli/Commands.h"

int RunMaskCommand(const QStringList&) { throw Exception(QStringLiteral("not built yet")); }
