// The commands of `twk`. Each takes the words after its name and returns the
// exit code; errors are thrown (Exception) and reported by main.
#pragma once

#include <QStringList>

int RunJobCommand(const QStringList& args);      // twk job dump|build
int RunInboxCommand(const QStringList& args);    // twk inbox dump|build
int RunOptionsCommand(const QStringList& args);  // twk options show|set
int RunMaskCommand(const QStringList& args);     // twk mask check
int RunFoldersCommand(const QStringList& args);  // twk folders
int RunConvertCommand(const QStringList& args);  // twk convert
int RunWatchCommand(const QStringList& args);     // twk watch
int RunSendmailCommand(const QStringList& args);  // twk sendmail
int RunReimportCommand(const QStringList& args);  // twk reimport
int RunRelocateCommand(const QStringList& args);  // twk relocate
