// TWKbat: runs one job file unattended against the mail store and reports on
// the console.
#include "batch/BatExec.h"
#include "core/DateTimeUtils.h"
#include "core/Exception.h"

#include <QCoreApplication>
#include <QLocale>
#include <clocale>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <string>

namespace {

const char* kUsage = "Usage: TWKBAT.EXE TWK-def-file [/quiet] [/noprompt]";

QString Timestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&now, &tm);
  char buf[128];
  const size_t n = std::strftime(buf, sizeof buf, "%x %X", &tm);
  return QString::fromLocal8Bit(buf, qsizetype(n));
}

bool SameSwitch(const QString& arg, const char* name) {
  const QLocale locale = QLocale::system();
  return locale.toUpper(arg) == locale.toUpper(QString::fromLatin1(name));
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  bool noPrompt = false;
  bool error = false;
  bool mailErrors = false;
  try {
    if (args.isEmpty()) throw Exception(QString::fromLatin1(kUsage));
    const QString jobFile = args.first();
    bool quiet = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
      if (SameSwitch(args[i], "/quiet"))
        quiet = true;
      else if (SameSwitch(args[i], "/noprompt"))
        noPrompt = true;
      else
        throw Exception(QString::fromLatin1(kUsage));
    }
    TBatExecutor executor;
    WriteLine(Timestamp() + QStringLiteral(" Start TWKbat ") + jobFile);
    try {
      mailErrors = executor.Execute(jobFile, quiet);
    } catch (...) {
      WriteLine(Timestamp() + QStringLiteral(" End TWKbat ") + jobFile);
      throw;
    }
    WriteLine(Timestamp() + QStringLiteral(" End TWKbat ") + jobFile);
  } catch (const Exception& e) {
    WriteLine(QString());
    WriteLine(Timestamp() + QStringLiteral(" Error: ") + e.Message());
    error = true;
  } catch (const std::exception& e) {
    WriteLine(QString());
    WriteLine(Timestamp() + QStringLiteral(" Error: ") + QString::fromLocal8Bit(e.what()));
    error = true;
  }
  // The wait for Enter reads one line; end of input ends it, so a run
  // without a terminal never hangs.
  if (!noPrompt || error) {
    std::string line;
    std::getline(std::cin, line);
  }
  // Unattended runs (cron, systemd) must see failures: 1 after an error that
  // ended the run, 2 after a run that recorded mail errors.
  return error ? 1 : mailErrors ? 2 : 0;
}
