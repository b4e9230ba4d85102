// twk folders: logs on with the profile and lists every folder of every store.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "core/RDOSession.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char kHelp[] =
    "Usage: twk folders [--json] [--store PATH]\n"
    "\n"
    "--store PATH lists one store without a profile: a maildir, an mbox file\n"
    "or a directory of them (Thunderbird), or an Outlook .pst/.ost file, the\n"
    "kind told by the content.\n"
    "Otherwise it "
    "logs on with the store profile (TWK_PROFILE, else\n"
    "~/.config/Quendal-Software/TWKtools.conf, else $MAILDIR, else ~/Maildir)\n"
    "and lists every folder of every store, depth first.\n"
    "\n"
    "Without --json: a header line, then one line per folder with the columns\n"
    "PATH, NAME, MAIL (yes/no), ITEMS, ENTRYID, STOREID separated by tabs.\n"
    "--json: an array of objects with the members path, name, mail, items,\n"
    "entryId, storeId.\n";

struct TFolderLine {
  QString Path, Name, EntryID, StoreID;
  bool Mail = false;
  int Items = 0;
};

void Collect(IRDOFolder* folder, QList<TFolderLine>& out) {
  TFolderLine line;
  line.Path = folder->FolderPath();
  line.Name = folder->Name();
  line.Mail = folder->Classification() == olFolderKindMail;
  line.Items = line.Mail ? folder->Items()->Count() : 0;
  line.EntryID = folder->EntryID();
  line.StoreID = folder->StoreID();
  out << line;
  const TwkPtr<IRDOFolders> subs = folder->Folders();
  for (int i = 1; i <= subs->Count(); ++i) Collect(subs->Item(i).get(), out);
}

}  // namespace

int RunFoldersCommand(const QStringList& arguments) {
  if (WantsHelp(arguments)) {
    Out(QString::fromLatin1(kHelp));
    return 0;
  }
  QStringList args = arguments;
  const bool json = TakeFlag(args, {QStringLiteral("--json")});
  const qsizetype at = args.indexOf(QStringLiteral("--store"));
  if (at >= 0) {
    if (at + 1 >= args.size()) throw EUsage(QStringLiteral("--store needs a PATH"));
    // The component reads the one store from the environment at logon.
    qputenv("TWK_STORE", QFile::encodeName(args[at + 1]));
    args.remove(at, 2);
  }
  if (!args.isEmpty()) throw EUsage(QStringLiteral("unexpected argument '%1'").arg(args.first()));

  TRDOSession session;
  ConnectBesideProgram(session);
  session.Logon();
  QList<TFolderLine> lines;
  const TwkPtr<IRDOStores> stores = session->Stores();
  for (int i = 1; i <= stores->Count(); ++i) Collect(stores->Item(i)->RootFolder().get(), lines);
  session.Logoff();

  if (json) {
    QJsonArray array;
    for (const TFolderLine& l : lines)
      array.append(QJsonObject{{QStringLiteral("path"), l.Path},
                               {QStringLiteral("name"), l.Name},
                               {QStringLiteral("mail"), l.Mail},
                               {QStringLiteral("items"), l.Items},
                               {QStringLiteral("entryId"), l.EntryID},
                               {QStringLiteral("storeId"), l.StoreID}});
    Out(QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)));
    return 0;
  }
  QString text = QStringLiteral("PATH\tNAME\tMAIL\tITEMS\tENTRYID\tSTOREID\n");
  for (const TFolderLine& l : lines)
    text += QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\n")
                .arg(l.Path, l.Name, l.Mail ? QStringLiteral("yes") : QStringLiteral("no"), QString::number(l.Items),
                     l.EntryID, l.StoreID);
  Out(text);
  return 0;
}
