// The user's settings (QSettings "Quendal-Software"/"Tarnwick": the values
// "GlobalJobDefPath", "SendOptions", "Me") and the places of the system's
// files below the documents folder. Other values in the same settings
// belong to other units and are left alone.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

class QSettings;

// The user's settings store, shared by every unit that keeps a value there.
QSettings OpenSettings();

// What happens to link files (.twk) attached to an e-mail being sent.
enum TSendOptions : std::int32_t { soNever = 0, soAsk = 1, soAlways = 2 };

// "soNever", "soAsk", "soAlways".
QString SendOptionsName(TSendOptions value);
// The value of such a name; false when the name is none of them.
bool SendOptionsFromName(const QString& name, TSendOptions& value);

class TOptions {
public:
  TOptions() = default;  // every field empty; callers Clear or LoadFromRegistry
  TOptions(const TOptions&) = default;
  TOptions& operator=(const TOptions&) = default;
  void Assign(const TOptions& v) { *this = v; }

  // Defaults: no shared templates, soAsk, no own addresses, the local
  // template folder below the documents folder.
  void Clear();
  // Clear, then the stored values; a missing or unreadable value keeps its
  // default, a "SendOptions" outside 0..2 gives soAsk. Never raises.
  void LoadFromRegistry();
  // Writes the three values and syncs. Never raises; false when the settings
  // could not be written.
  bool SaveToRegistry() const;

  const QString& GlobalJobDefPath() const { return FGlobalJobDefPath; }
  void SetGlobalJobDefPath(const QString& v) { FGlobalJobDefPath = v; }
  const QString& LocalJobDefPath() const { return FLocalJobDefPath; }
  TSendOptions SendOptions() const { return FSendOptions; }
  void SetSendOptions(TSendOptions v) { FSendOptions = v; }
  QStringList& MeNames() { return FMeNames; }
  const QStringList& MeNames() const { return FMeNames; }

  // The job names (file names without ".twc") in the shared or local folder.
  void ReadGlobalJobDefNames(QStringList& list) const;
  void ReadLocalJobDefNames(QStringList& list) const;
  static QString GetFilenameFromJobDefName(const QString& path, const QString& jobDefName);
  static QString GetLastUsedFilename();   // Documents/Tarnwick/last.twc
  static QString GetInboxDefFilename();   // Documents/Tarnwick/inbox.twx

private:
  QString FGlobalJobDefPath;
  QString FLocalJobDefPath;
  TSendOptions FSendOptions = soNever;
  QStringList FMeNames;
};

// Fills list with the names of the ordinary, visible "*.twc" files in path,
// in the order the file system lists them; a missing folder gives none.
void ListJobDefNames(const QString& path, QStringList& list);
