// Hands a message to the sendmail program (the setting "Sendmail"): used by
// `twk sendmail` and by the desktop's compose window.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Runs program with args and message on its standard input; returns its
// exit code. With output null, its output goes to ours; else it is collected
// there (standard error merged). Raises when it cannot be started or ends
// abnormally.
int RunSendmail(const QString& program, const QStringList& args, const QByteArray& message,
                QByteArray* output = nullptr);
