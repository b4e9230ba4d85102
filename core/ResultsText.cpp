#include "core/ResultsText.h"

#include "core/FilenameTools.h"

QString ResultsText(const QString& exceptMsg, const QString& summary, const QStringList& mailErrors) {
  return TrimStr(exceptMsg + QStringLiteral("\n\n\n") + summary + QStringLiteral("\n\n") +
                 mailErrors.join(QLatin1Char('\n')));
}
