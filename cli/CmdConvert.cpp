#include "cli/CliSupport.h"
#include "cli/Commands.h"

int RunConvertCommand(const QStringList&) { throw Exception(QStringLiteral("not built yet")); }
