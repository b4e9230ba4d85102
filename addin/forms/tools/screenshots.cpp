// Writes a PNG of every dialog from the real widgets (offscreen platform):
// each dialog is opened as the add-in opens it, grabbed once it is shown,
// and closed. Run by scripts/screenshots.sh on a copy of the sample store.
//
// Usage: twkscreenshots OUTPUT-DIR   (MAILDIR: the store; HOME: a scratch home)
#include "addin/forms/FrmAbout.h"
#include "addin/forms/FrmEditCopyMoveEmails.h"
#include "addin/forms/FrmEditEmailFilter.h"
#include "addin/forms/FrmEditExportAtts.h"
#include "addin/forms/FrmEditExportEmails.h"
#include "addin/forms/FrmEditJobDefName.h"
#include "addin/forms/FrmMain.h"
#include "addin/forms/FrmPickFolder.h"
#include "addin/forms/FrmResults.h"
#include "addin/forms/PlaceholderMenu.h"
#include "core/DateTimeUtils.h"
#include "core/RDOSession.h"
#include "core/RedemptionTools.h"
#include "core/uRedemptionLoader.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

QString gOutput;

// Waits for the next modal window (of className, when given), saves its
// picture (the window itself unless picture draws another) as name.png and
// closes it.
void ShootNextModal(const QString& name, const std::function<QPixmap(QWidget*)>& picture = {},
                    const char* className = nullptr) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, name, picture, className] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || !w->isVisible()) return;
    if (className && qstrcmp(w->metaObject()->className(), className) != 0) return;
    timer->stop();
    timer->deleteLater();
    QCoreApplication::processEvents();
    const QString file = gOutput + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!(picture ? picture(w) : w->grab()).save(file)) std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    std::printf("%s\n", qPrintable(file));
    static_cast<QDialog*>(w)->reject();
  });
  timer->start(20);
}

TDateTime Day(int y, int m, int d) { return DateTimeFromQDateTime(QDateTime(QDate(y, m, d), QTime(0, 0))); }

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication::setStyle(QStringLiteral("Fusion"));
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: twkscreenshots OUTPUT-DIR\n");
    return 2;
  }
  gOutput = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(gOutput);

  try {
    TRedemptionLoader& loader = GlobalRedemptionLoader();
    loader.UseComponentBesideProgram();
    TRDOSession session;
    session.ConnectTo(loader.new_RDOSession());
    session.Logon();
    IRDOSession* s = session.Intf();
    s->SetFolderPicker(MakeFolderPicker(s));
    const QString store = QStringLiteral("\\\\") + s->Stores()->DefaultStore()->Name() + QLatin1Char('\\');
    const TwkPtr<IRDOFolder> projects = FindFolderByPath(s, store + QStringLiteral("Inbox\\Projects"));
    const TwkPtr<IRDOFolder> archive = FindFolderByPath(s, store + QStringLiteral("Sent"));
    if (!projects || !archive) throw Exception(QStringLiteral("the sample store has no Inbox\\Projects or Sent"));

    // The main dialog shows the last job started and a few templates.
    TOptions options;
    options.Clear();
    TJobDef_Manual job;
    job.Clear();
    job.SourceFilter().SetProcessFolder(true);
    job.SourceFilter().SetFolderEntryID(projects->EntryID());
    job.SourceFilter().SetFolderStoreID(projects->StoreID());
    job.SourceFilter().SetInclSubFolders(true);
    job.SetExportEmails(true);
    job.JobDef_ExportEmails().SetDestFolder(QDir::homePath() + QStringLiteral("/Export/Mail"));
    job.SetExportAtts(true);
    job.JobDef_ExportAtts().SetDestFolder(QDir::homePath() + QStringLiteral("/Export/Attachments"));
    job.JobDef_ExportAtts().SetShortcutMode(smTWK);
    QDir().mkpath(options.LocalJobDefPath());
    for (const char* name : {"Monthly archive", "Project files"})
      job.SaveToFile(TOptions::GetFilenameFromJobDefName(options.LocalJobDefPath(), QString::fromLatin1(name)));
    QDir().mkpath(QFileInfo(TOptions::GetLastUsedFilename()).absolutePath());
    job.SaveToFile(TOptions::GetLastUsedFilename());

    TFormMain main;
    main.SetRDOSession(&session);
    main.SetOptions(options);
    ShootNextModal(QStringLiteral("main"));
    main.Execute();

    TFormEditEmailFilter filter;
    filter.JobDef_EmailFilter1().SetSenderIncludeList({"*@harbour-project.example"});
    filter.JobDef_EmailFilter1().SetSubjectExcludeList({"*newsletter*"});
    filter.JobDef_EmailFilter1().SetAttIncludeList({"*.pdf", "*.xlsx"});
    filter.JobDef_EmailFilter2().SetDateMode(dmFromTo);
    filter.JobDef_EmailFilter2().SetFromDate(Day(2024, 1, 1));
    filter.JobDef_EmailFilter2().SetToDate(Day(2024, 12, 31));
    ShootNextModal(QStringLiteral("emailfilter"));
    filter.Execute();

    // The editors only show their paths: a home as a reader's would be.
    const QString shownHome = QStringLiteral("/home/alex");
    TFormEditExportEmails emails;
    emails.JobDef_ExportEmails().Assign(job.JobDef_ExportEmails());
    emails.JobDef_ExportEmails().SetDestFolder(shownHome + QStringLiteral("/Export/Mail"));
    emails.JobDef_ExportEmails().SetLogExport(true);
    emails.JobDef_ExportEmails().SetLogFolder(shownHome + QStringLiteral("/Export/Logs"));
    ShootNextModal(QStringLiteral("exportemails"));
    emails.Execute();

    TFormEditExportAtts atts;
    atts.JobDef_ExportAtts().Assign(job.JobDef_ExportAtts());
    atts.JobDef_ExportAtts().SetDestFolder(shownHome + QStringLiteral("/Export/Attachments"));
    atts.JobDef_ExportAtts().SetAttExcludeList({"*.p7s", "image0*"});
    ShootNextModal(QStringLiteral("exportatts"));
    atts.Execute();

    TFormEditExportAtts menuOwner;
    menuOwner.JobDef_ExportAtts().Assign(job.JobDef_ExportAtts());
    ShootNextModal(QStringLiteral("placeholders"), [](QWidget* w) {
      // The menu with its "Subject" group open, drawn into one picture.
      auto* button = w->findChild<TPlaceholderButton*>();
      QMenu* menu = button->PopupMenu();
      menu->popup(button->mapToGlobal(button->rect().bottomLeft()));
      QMenu* sub = nullptr;
      for (QAction* a : menu->actions())
        if (a->menu() && a->text() == QStringLiteral("Subject")) sub = a->menu();
      sub->popup(menu->geometry().topRight());
      QCoreApplication::processEvents();
      QPixmap picture(menu->width() + sub->width(), std::max(menu->height(), sub->height()));
      picture.fill(Qt::white);
      menu->render(&picture);
      sub->render(&picture, QPoint(menu->width(), 0));
      sub->close();
      menu->close();
      return picture;
    });
    menuOwner.Execute();

    TFormEditCopyMoveEmails move(nullptr, s, true);
    move.JobDef_CopyMove().Clear();
    move.JobDef_CopyMove().SetFolderEntryID(archive->EntryID());
    move.JobDef_CopyMove().SetFolderStoreID(archive->StoreID());
    move.JobDef_CopyMove().SetSubFolderMask(QStringLiteral("[EYYYY]\\[SD]"));
    ShootNextModal(QStringLiteral("moveemails"));
    move.Execute();

    TFormEditJobDefName name;
    name.SetJobDefName(QStringLiteral("Project files"));
    ShootNextModal(QStringLiteral("jobdefname"));
    name.Execute();

    QString eid = projects->EntryID(), sid = projects->StoreID();
    ShootNextModal(QStringLiteral("pickfolder"));
    PickOutlookFolder(nullptr, QStringLiteral("Choose folder"), s, eid, sid);

    // A real run of the last job: START, then the results window.
    TFormMain run;
    run.SetRDOSession(&session);
    run.SetOptions(options);
    QTimer::singleShot(100, &run, [&run] { run.findChild<QPushButton*>(QStringLiteral("ButtonStart"))->click(); });
    ShootNextModal(QStringLiteral("results"), {}, "TFormResults");
    run.Execute();

    ShootNextModal(QStringLiteral("about"));
    ShowAbout(nullptr);

    s->SetFolderPicker(nullptr);
    session.Logoff();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "twkscreenshots: %s\n", e.what());
    return 1;
  }
  return 0;
}
