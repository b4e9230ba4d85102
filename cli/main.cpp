// twk: Tarnwick's command-line companion for machines without a desktop.
#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include <QCoreApplication>

namespace {

struct TCommand {
  const char* Name;
  const char* Summary;
  int (*Run)(const QStringList& args);
};

const TCommand kCommands[] = {
    {"job", "read and write job files (.twc) as JSON", RunJobCommand},
    {"inbox", "read and write the inbox task file (inbox.twx) as JSON", RunInboxCommand},
    {"options", "show and change the user's settings", RunOptionsCommand},
    {"mask", "check a placeholder mask", RunMaskCommand},
    {"folders", "list the folders of the mail stores", RunFoldersCommand},
    {"convert", "convert a message file to another format", RunConvertCommand},
    {"watch", "run the inbox tasks on every new e-mail", RunWatchCommand},
    {"sendmail", "send an e-mail, turning its links back into files", RunSendmailCommand},
    {"reimport", "put exported attachments back into the e-mails", RunReimportCommand},
    {"relocate", "re-point links after their files were moved", RunRelocateCommand},
};

void PrintUsage() {
  QString text = QStringLiteral(
      "Usage: twk COMMAND [ARGS...]\n"
      "       twk COMMAND --help\n"
      "       twk --version\n\nCommands:\n");
  for (const TCommand& c : kCommands)
    text += QStringLiteral("  %1%2\n").arg(QString::fromLatin1(c.Name), -10).arg(QString::fromLatin1(c.Summary));
  Out(text);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  if (args.isEmpty()) {
    PrintUsage();
    return 1;
  }
  const QString name = args.takeFirst();
  if (name == QStringLiteral("--help") || name == QStringLiteral("-h") || name == QStringLiteral("help")) {
    PrintUsage();
    return 0;
  }
  if (name == QStringLiteral("--version")) {
    Out(QStringLiteral("twk %1\n").arg(QStringLiteral(TWK_VERSION)));
    return 0;
  }
  for (const TCommand& c : kCommands) {
    if (name != QLatin1String(c.Name)) continue;
    try {
      return c.Run(args);
    } catch (const EUsage& e) {
      Err(QStringLiteral("twk %1: %2\nTry 'twk %1 --help'.\n").arg(name, e.Message()));
      return 1;
    } catch (const Exception& e) {
      Err(e.Message() + QLatin1Char('\n'));
      return 1;
    } catch (const std::exception& e) {
      Err(QString::fromLocal8Bit(e.what()) + QLatin1Char('\n'));
      return 1;
    }
  }
  Err(QStringLiteral("twk: unknown command '%1'\nTry 'twk --help'.\n").arg(name));
  return 1;
}
