// Small helpers shared by the commands of `twk`.
#pragma once

#include "core/Exception.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// A command line the command cannot use; main prints it with the usage hint.
class EUsage : public Exception {
public:
  using Exception::Exception;
};

void Out(const QString& text);  // standard output, UTF-8, as is
void Err(const QString& text);  // standard error, UTF-8, as is

// True when args holds -h or --help.
bool WantsHelp(const QStringList& args);

// Reads a whole file, or standard input for "-".
QByteArray ReadInputFile(const QString& path);

class TRDOSession;
// Connects session to the store component beside the program (not logged on).
void ConnectBesideProgram(TRDOSession& session);

// Takes "-o FILE" / "--output FILE" out of args; empty when absent.
QString TakeOption(QStringList& args, const QStringList& names);
// Takes a flag such as "--force" out of args.
bool TakeFlag(QStringList& args, const QStringList& names);

class IRDOFolder;
class IRDOSession;
template <class T>
class TwkPtr;
// The folder named on a command line: a display path ("\\Mail\Inbox",
// names ignoring case) or an entry ID; none when neither finds one.
TwkPtr<IRDOFolder> FindFolderByPathOrID(IRDOSession* session, const QString& text);
