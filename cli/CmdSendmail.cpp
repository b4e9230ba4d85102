// twk sendmail
#include "cli/CliSupport.h"
#include "cli/Commands.h"

int RunSendmailCommand(const QStringList&) { throw Exception(QStringLiteral("not available yet")); }
