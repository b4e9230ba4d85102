// The text of the results window, also printed by the commands: the error
// that ended the run, the statistics, the mail errors.
#pragma once

#include <QString>
#include <QStringList>

// exceptMsg, three line breaks, summary, two line breaks, the mail errors
// one per line; blanks and line breaks trimmed at both ends. Lines end
// with "\n".
QString ResultsText(const QString& exceptMsg, const QString& summary, const QStringList& mailErrors);
