// The main job dialog on real widgets, a real store (a copy of the sample
// Maildir) and the real engine: the template list and its separator,
// loading, saving and deleting templates, the enabling rules, the source
// folder picker, START with progress, Cancel and the results window.
#include "addin/forms/FrmMain.h"
#include "addin/forms/FrmPickFolder.h"
#include "addin/forms/FrmResults.h"
#include "core/OutlookTools.h"
#include "core/RedemptionTools.h"
#include "tests/forms/FormsTest.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

class FormMain : public ::testing::Test {
protected:
  FormMain() {
    FOptions.Clear();
    FOptions.SetGlobalJobDefPath(Store.Scratch().Path() + QStringLiteral("/global"));
    Store.Session()->SetFolderPicker(MakeFolderPicker(Store.Session()));
    Form.SetRDOSession(&Store.RDOSession());
    Form.SetOptions(FOptions);
  }
  ~FormMain() override { Store.Session()->SetFolderPicker(nullptr); }

  QString GlobalDir() const { return FOptions.GlobalJobDefPath(); }
  QString LocalDir() const { return FOptions.LocalJobDefPath(); }
  QString Export() const { return Store.Scratch().Path() + QStringLiteral("/export"); }

  // A job on a folder of the store, exporting its e-mails as .eml files.
  TJobDef_Manual ExportJob(const QString& folder, bool subFolders = false) {
    TJobDef_Manual job;
    job.Clear();
    const TwkPtr<IRDOFolder> f = Store.Folder(folder);
    job.SourceFilter().SetProcessFolder(true);
    job.SourceFilter().SetFolderEntryID(f->EntryID());
    job.SourceFilter().SetFolderStoreID(f->StoreID());
    job.SourceFilter().SetInclSubFolders(subFolders);
    job.SetExportEmails(true);
    job.JobDef_ExportEmails().SetDestFolder(Export());
    return job;
  }
  static void Save(const TJobDef_Manual& job, const QString& dir, const QString& name) {
    QDir().mkpath(dir);
    job.SaveToFile(TOptions::GetFilenameFromJobDefName(dir, name));
  }
  static TJobDef_Manual Load(const QString& file) {
    TJobDef_Manual job;
    job.LoadFromFile(file);
    return job;
  }

  QStringList ComboItems() {
    QStringList items;
    auto* combo = Control<QComboBox>(&Form, QStringLiteral("ComboJobDefNames"));
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
  }
  // Runs the dialog; `inside` acts on it while it is open and must close it.
  void RunForm(std::function<void()> inside) {
    Steps.Add("TFormMain", [inside](QWidget*) { inside(); });
    Form.Execute();
  }
  void Choose(const QString& name) {
    auto* combo = Control<QComboBox>(&Form, QStringLiteral("ComboJobDefNames"));
    combo->setCurrentIndex(combo->findText(name));
    Form.ComboJobDefNamesClick();
  }
  template <class T>
  T* C(const char* name) {
    return Control<T>(&Form, QString::fromLatin1(name));
  }

  TFormsStore Store;
  TOptions FOptions;
  TMsgBoxes Boxes;
  TModalSteps Steps;
  TFormMain Form;
};

TEST_F(FormMain, TemplateListPutsGlobalTemplatesFirstAndSeparatesOnlyWhenBothExist) {
  const struct {
    QStringList Global, Local, Expected;
  } cases[] = {
      {{}, {}, {}},
      {{"b", "A"}, {}, {"A", "b"}},
      {{}, {"y", "X"}, {"X", "y"}},
      {{"Shared"}, {"mine", "Other"}, {"Shared", "", "mine", "Other"}},
  };
  for (const auto& c : cases) {
    QDir(GlobalDir()).removeRecursively();
    QDir(LocalDir()).removeRecursively();
    TJobDef_Manual job;
    job.Clear();
    for (const QString& n : c.Global) Save(job, GlobalDir(), n);
    for (const QString& n : c.Local) Save(job, LocalDir(), n);
    Form.FillJobDefNames();
    EXPECT_EQ(ComboItems(), c.Expected) << c.Expected.join(',').toStdString();
  }
}

TEST_F(FormMain, TemplatesLoadWithDeleteOnlyForLocalOnesAndTheSeparatorGivesAnEmptyJob) {
  const TJobDef_Manual job = ExportJob(QStringLiteral("Inbox"));
  Save(job, GlobalDir(), QStringLiteral("Shared"));
  Save(job, LocalDir(), QStringLiteral("Mine"));
  Form.FillJobDefNames();
  auto* del = C<QPushButton>("ButtonDeleteJobDef");

  Choose(QStringLiteral("Shared"));
  EXPECT_EQ(Form.CurJobDef(), job);
  EXPECT_FALSE(del->isEnabled());
  EXPECT_TRUE(C<QRadioButton>("RadioFolder")->isChecked());
  EXPECT_EQ(C<QLineEdit>("EditOLFolderName")->text(), Store.StorePath(QStringLiteral("Inbox")));

  Choose(QStringLiteral("Mine"));
  EXPECT_EQ(Form.CurJobDef(), job);
  EXPECT_TRUE(del->isEnabled());

  Choose(QString());  // the separator
  TJobDef_Manual empty;
  empty.Clear();
  EXPECT_EQ(Form.CurJobDef(), empty);
  EXPECT_FALSE(del->isEnabled());
  EXPECT_TRUE(C<QRadioButton>("RadioSelected")->isChecked());

  // A damaged template gives an empty job without a message.
  WriteTestFile(TOptions::GetFilenameFromJobDefName(LocalDir(), QStringLiteral("Broken")), "TWKOAD5");
  Form.FillJobDefNames();
  Choose(QStringLiteral("Broken"));
  EXPECT_EQ(Form.CurJobDef(), empty);
  EXPECT_TRUE(Boxes.Boxes.isEmpty());
}

TEST_F(FormMain, DeleteRemovesTheLocalTemplateAndItsSeparator) {
  TJobDef_Manual job;
  job.Clear();
  Save(job, GlobalDir(), QStringLiteral("Shared"));
  Save(job, LocalDir(), QStringLiteral("Mine"));
  Form.FillJobDefNames();
  Choose(QStringLiteral("Mine"));
  Form.ButtonDeleteJobDefClick();
  EXPECT_FALSE(QFile::exists(TOptions::GetFilenameFromJobDefName(LocalDir(), QStringLiteral("Mine"))));
  EXPECT_EQ(ComboItems(), QStringList{QStringLiteral("Shared")});
  EXPECT_EQ(C<QComboBox>("ComboJobDefNames")->currentIndex(), -1);
  // A global template is never deleted.
  Choose(QStringLiteral("Shared"));
  Form.ButtonDeleteJobDefClick();
  EXPECT_TRUE(QFile::exists(TOptions::GetFilenameFromJobDefName(GlobalDir(), QStringLiteral("Shared"))));
}

TEST_F(FormMain, EnablingFollowsTheSourceChoiceAndTheTicks) {
  struct TCase {
    bool Folder, Filter, Emails, Atts, Copy, Move;
  };
  const TCase cases[] = {
      {false, false, false, false, false, false},
      {true, true, false, true, false, true},
      {true, false, true, false, true, false},
  };
  for (const TCase& c : cases) {
    TJobDef_Manual job;
    job.Clear();
    job.SourceFilter().SetProcessFolder(c.Folder);
    job.SetUseEmailFilter(c.Filter);
    job.SetExportEmails(c.Emails);
    job.SetExportAtts(c.Atts);
    job.SetCopyEmails(c.Copy);
    job.SetMoveEmails(c.Move);
    Save(job, LocalDir(), QStringLiteral("Case"));
    Form.FillJobDefNames();
    Choose(QStringLiteral("Case"));
    EXPECT_EQ(C<QPushButton>("ButtonBrowseForOLFolder")->isEnabled(), c.Folder);
    EXPECT_EQ(C<QCheckBox>("CheckSubFolders")->isEnabled(), c.Folder);
    EXPECT_EQ(C<QPushButton>("ButtonFilter")->isEnabled(), c.Filter);
    EXPECT_EQ(C<QPushButton>("ButtonExportEmails")->isEnabled(), c.Emails);
    EXPECT_EQ(C<QPushButton>("ButtonExportAtts")->isEnabled(), c.Atts);
    EXPECT_EQ(C<QPushButton>("ButtonCopyEmails")->isEnabled(), c.Copy);
    EXPECT_EQ(C<QPushButton>("ButtonMoveEmails")->isEnabled(), c.Move);
    EXPECT_EQ(C<QCheckBox>("CheckExportAtts")->isChecked(), c.Atts);
  }
  // Clicking a radio button changes the enabling at once.
  C<QRadioButton>("RadioSelected")->click();
  EXPECT_FALSE(C<QPushButton>("ButtonBrowseForOLFolder")->isEnabled());
}

TEST_F(FormMain, CancelledFolderPickerLeavesNoSourceAndStartNamesIt) {
  QStringList pickerTitles;
  QString focusName;
  RunForm([&] {
    Steps.Add("TFormPickFolder", [&](QWidget* w) {
      pickerTitles << w->windowTitle();
      static_cast<QDialog*>(w)->reject();
    });
    C<QRadioButton>("RadioFolder")->click();
    focusName = Form.focusWidget() ? Form.focusWidget()->objectName() : QString();
    C<QCheckBox>("CheckSubFolders")->setChecked(true);
    C<QCheckBox>("CheckCopyEmails")->setChecked(true);  // no editor: not a click
    C<QPushButton>("ButtonStart")->click();
    Form.reject();
  });
  EXPECT_EQ(pickerTitles, QStringList{QStringLiteral("Choose folder")});
  EXPECT_EQ(focusName, QStringLiteral("RadioSelected"));
  EXPECT_TRUE(C<QRadioButton>("RadioFolder")->isChecked());
  EXPECT_EQ(Boxes.Texts(), QStringList{QStringLiteral("Outlook source folder not specified")});
  EXPECT_FALSE(QFile::exists(TOptions::GetLastUsedFilename()));  // only a START that passed writes it
}

TEST_F(FormMain, FolderPickerStartsAtTheJobsFolderAndShowsTheChosenPath) {
  Save(ExportJob(QStringLiteral("Inbox\\Projects")), LocalDir(), QStringLiteral("Projects"));
  QString preselected;
  RunForm([&] {
    Form.FillJobDefNames();
    Choose(QStringLiteral("Projects"));
    Steps.Add("TFormPickFolder", [&](QWidget* w) {
      auto* tree = Control<QTreeWidget>(w, QStringLiteral("TreeFolders"));
      preselected = tree->currentItem()->text(0);
      tree->setCurrentItem(tree->currentItem()->child(0));  // Harbour
      static_cast<QDialog*>(w)->accept();
    });
    C<QPushButton>("ButtonBrowseForOLFolder")->click();
    Form.reject();
  });
  EXPECT_EQ(preselected, QStringLiteral("Projects"));
  EXPECT_EQ(C<QLineEdit>("EditOLFolderName")->text(), Store.StorePath(QStringLiteral("Inbox\\Projects\\Harbour")));
  EXPECT_EQ(Form.CurJobDef().SourceFilter().FolderEntryID(),
            Store.Folder(QStringLiteral("Inbox\\Projects\\Harbour"))->EntryID());
}

TEST_F(FormMain, SavingDropsTheSettingsOfAnUntickedTaskAndAsksBeforeOverwriting) {
  TJobDef_Manual job = ExportJob(QStringLiteral("Inbox"));
  job.JobDef_ExportEmails().SetEmailFormat(efMSG);
  job.SetExportAtts(true);
  job.JobDef_ExportAtts().SetDestFolder(Export());
  Save(job, LocalDir(), QStringLiteral("Both"));
  const QString file = TOptions::GetFilenameFromJobDefName(LocalDir(), QStringLiteral("Both"));
  Form.FillJobDefNames();
  Choose(QStringLiteral("Both"));
  C<QCheckBox>("CheckExportEmails")->click();  // unticked: no editor opens

  // The name proposed is the local template's; No leaves the file alone.
  QString proposed;
  const QByteArray before = Store.Scratch().Read(QDir(Store.Scratch().Path()).relativeFilePath(file));
  Steps.Add("TFormEditJobDefName", [&](QWidget* w) {
    proposed = Control<QLineEdit>(w, QStringLiteral("EditJobDefName"))->text();
    Control<QPushButton>(w, QStringLiteral("ButtonOK"))->click();
  });
  Form.ButtonSaveAsClick();
  EXPECT_EQ(proposed, QStringLiteral("Both"));
  EXPECT_EQ(Boxes.Texts(), QStringList{QStringLiteral("File %1 already exists.\n\nOverwrite?").arg(file)});
  EXPECT_EQ(Store.Scratch().Read(QDir(Store.Scratch().Path()).relativeFilePath(file)), before);

  // Yes writes it: the unticked task holds its defaults.
  Boxes.Answers.push_back(true);
  Steps.Add("TFormEditJobDefName", [&](QWidget* w) { Control<QPushButton>(w, QStringLiteral("ButtonOK"))->click(); });
  Form.ButtonSaveAsClick();
  const TJobDef_Manual saved = Load(file);
  TJobDef_ExportEmails defaults;
  defaults.Clear();
  EXPECT_FALSE(saved.ExportEmails());
  EXPECT_EQ(saved.JobDef_ExportEmails(), defaults);
  EXPECT_TRUE(saved.ExportAtts());
  EXPECT_EQ(saved.JobDef_ExportAtts(), job.JobDef_ExportAtts());
}

TEST_F(FormMain, SavedTemplateIsSelectedAmongLocalOnesEvenWhenAGlobalOneHasItsName) {
  TJobDef_Manual job = ExportJob(QStringLiteral("Inbox"));
  Save(job, GlobalDir(), QStringLiteral("Weekly"));
  Form.FillJobDefNames();
  Choose(QStringLiteral("Weekly"));
  // A global template proposes no name; the name typed is cleaned like a file name.
  QString proposed = QStringLiteral("unset");
  Steps.Add("TFormEditJobDefName", [&](QWidget* w) {
    auto* edit = Control<QLineEdit>(w, QStringLiteral("EditJobDefName"));
    proposed = edit->text();
    edit->setText(QStringLiteral("  wee?kly  "));
    Control<QPushButton>(w, QStringLiteral("ButtonOK"))->click();
  });
  Form.ButtonSaveAsClick();
  EXPECT_EQ(proposed, QString());
  EXPECT_TRUE(QFile::exists(TOptions::GetFilenameFromJobDefName(LocalDir(), QStringLiteral("weekly"))));
  auto* combo = C<QComboBox>("ComboJobDefNames");
  EXPECT_EQ(ComboItems(), (QStringList{QStringLiteral("Weekly"), QString(), QStringLiteral("weekly")}));
  EXPECT_EQ(combo->currentIndex(), 2);
  EXPECT_TRUE(C<QPushButton>("ButtonDeleteJobDef")->isEnabled());

  // Save with a name that cleaning reduces to nothing: nothing is written.
  Steps.Add("TFormEditJobDefName", [&](QWidget* w) {
    Control<QLineEdit>(w, QStringLiteral("EditJobDefName"))->setText(QStringLiteral(" ?*. "));
    Control<QPushButton>(w, QStringLiteral("ButtonOK"))->click();
  });
  Form.ButtonSaveAsClick();
  EXPECT_EQ(QDir(LocalDir()).entryList(QDir::Files).size(), 1);
}

TEST_F(FormMain, ValidationErrorsOfSaveAndStartKeepTheDialogAsItWas) {
  const struct {
    const char* Tick;
    QString Message;
  } cases[] = {
      {nullptr, QStringLiteral("No task defined")},
      {"CheckExportEmails", QStringLiteral("Export emails: Destination directory not specified")},
      {"CheckMoveEmails", QStringLiteral("Move emails: Destination Outlook-folder not specified")},
  };
  for (const auto& c : cases) {
    Form.ButtonResetClick();
    if (c.Tick) C<QCheckBox>(c.Tick)->setChecked(true);
    Boxes.Boxes.clear();
    for (auto* button : {"ButtonSaveAs", "ButtonStart"}) C<QPushButton>(button)->click();
    EXPECT_EQ(Boxes.Texts(), QStringList(2, c.Message));
  }
  EXPECT_FALSE(QFile::exists(TOptions::GetLastUsedFilename()));
}

TEST_F(FormMain, StartRunsTheJobWritesLastUsedShowsResultsAndCloses) {
  TJobDef_Manual job = ExportJob(QStringLiteral("Inbox\\Projects"), true);
  Save(job, LocalDir(), QStringLiteral("Projects"));
  QString results;
  QString resultsTitle;
  RunForm([&] {
    Form.FillJobDefNames();
    Choose(QStringLiteral("Projects"));
    Steps.Add("TFormResults", [&](QWidget* w) {
      resultsTitle = w->windowTitle();
      results = Control<QPlainTextEdit>(w, QStringLiteral("MemoResults"))->toPlainText();
      Control<QPushButton>(w, QStringLiteral("ButtonClose"))->click();
    });
    C<QPushButton>("ButtonStart")->click();
  });
  EXPECT_FALSE(Form.isVisible());
  EXPECT_EQ(Form.result(), QDialog::Accepted);
  EXPECT_EQ(Load(TOptions::GetLastUsedFilename()), job);
  QStringList files;
  QDirIterator it(Export(), QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) files << QDir(Export()).relativeFilePath(it.next());
  EXPECT_EQ(files.size(), 10) << files.join(QLatin1Char('\n')).toStdString();  // 6 in Projects, 4 in Harbour
  EXPECT_TRUE(files.filter(QRegularExpression(QStringLiteral("^Harbour/.*\\.eml$"))).size() == 4);
  EXPECT_EQ(resultsTitle, QStringLiteral("Tarnwick"));
  EXPECT_FALSE(results.isEmpty());
  EXPECT_FALSE(results.startsWith(QLatin1Char('\n')));
  EXPECT_TRUE(results.contains(QStringLiteral("10"))) << results.toStdString();
  EXPECT_TRUE(Boxes.Boxes.isEmpty());
}

TEST_F(FormMain, CancelDuringTheRunStopsItShowsResultsAndThenCloses) {
  Save(ExportJob(QStringLiteral("Inbox"), true), LocalDir(), QStringLiteral("All"));
  QStringList seen;
  bool refusedClose = false;
  QString results;
  QTimer watcher;
  watcher.setInterval(0);
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    if (!Form.InAction() || !seen.isEmpty()) return;
    for (int i = 0; i < 3; ++i) seen << Control<QLabel>(&Form, QStringLiteral("StatusBarPanel%1").arg(i))->text();
    seen << C<QPushButton>("ButtonCancel")->text();
    seen << (C<QPushButton>("ButtonStart")->isEnabled() ? "start enabled" : "start disabled");
    Form.close();
    Form.reject();
    refusedClose = Form.isVisible();
    C<QPushButton>("ButtonCancel")->click();
  });
  RunForm([&] {
    Form.FillJobDefNames();
    Choose(QStringLiteral("All"));
    Steps.Add("TFormResults", [&](QWidget* w) {
      results = Control<QPlainTextEdit>(w, QStringLiteral("MemoResults"))->toPlainText();
      static_cast<QDialog*>(w)->reject();
    });
    watcher.start();
    C<QPushButton>("ButtonStart")->click();
  });
  ASSERT_EQ(seen.size(), 5);
  EXPECT_EQ(seen[0], QStringLiteral("Inbox"));
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+ / \\d+$")).match(seen[1]).hasMatch()) << seen[1].toStdString();
  EXPECT_EQ(seen[3], QStringLiteral("Cancel"));
  EXPECT_EQ(seen[4], QStringLiteral("start disabled"));
  EXPECT_TRUE(refusedClose);
  EXPECT_TRUE(results.startsWith(QStringLiteral("User cancelled"))) << results.toStdString();
  EXPECT_FALSE(Form.isVisible());
  // Back to idle: Close, status emptied, Delete off.
  EXPECT_EQ(C<QPushButton>("ButtonCancel")->text(), QStringLiteral("Close"));
  EXPECT_TRUE(C<QLabel>("StatusBarPanel0")->text().isEmpty());
  EXPECT_FALSE(C<QPushButton>("ButtonDeleteJobDef")->isEnabled());
}

// The mail window's selection: START on "Selected emails" runs on exactly
// the selected e-mails; the picker starts at the folder the window shows.
TEST_F(FormMain, SelectedEmailsOfTheMailWindowAndItsFolderForThePicker) {
  const TwkPtr<IRDOFolder> projects = Store.Folder(QStringLiteral("Inbox\\Projects"));
  const TwkPtr<IRDOItems> items = projects->Items();
  TFakeOutlook outlook(projects.get(), {items->Item(1), items->Item(3)});
  Form.SetOutlook(&outlook);
  QString preselected, results;
  RunForm([&] {
    Steps.Add("TFormPickFolder", [&](QWidget* w) {
      auto* tree = Control<QTreeWidget>(w, QStringLiteral("TreeFolders"));
      preselected = tree->currentItem() ? tree->currentItem()->text(0) : QString();
      static_cast<QDialog*>(w)->reject();
    });
    C<QRadioButton>("RadioFolder")->click();
    C<QRadioButton>("RadioSelected")->click();
    QDir().mkpath(Export());
    Steps.Add("TFormEditExportEmails", [&](QWidget* w) {
      Control<QLineEdit>(w, QStringLiteral("EditDestPath"))->setText(Export());
      Control<QPushButton>(w, QStringLiteral("ButtonOK"))->click();
    });
    C<QCheckBox>("CheckExportEmails")->click();  // ticking opens the editor
    Steps.Add("TFormResults", [&](QWidget* w) {
      results = Control<QPlainTextEdit>(w, QStringLiteral("MemoResults"))->toPlainText();
      static_cast<QDialog*>(w)->accept();
    });
    C<QPushButton>("ButtonStart")->click();
  });
  EXPECT_EQ(preselected, QStringLiteral("Projects"));
  EXPECT_TRUE(results.contains(QStringLiteral("Emails exported: 2"))) << results.toStdString();
  EXPECT_EQ(QDir(Export()).entryList(QDir::Files).size(), 2);
  EXPECT_FALSE(Load(TOptions::GetLastUsedFilename()).SourceFilter().ProcessFolder());
}

TEST_F(FormMain, ExecuteLoadsTheLastUsedJobAndCloseKeepsNothing) {
  const TJobDef_Manual job = ExportJob(QStringLiteral("Sent"));
  QDir().mkpath(QFileInfo(TOptions::GetLastUsedFilename()).absolutePath());
  job.SaveToFile(TOptions::GetLastUsedFilename());
  TJobDef_Manual shown;
  RunForm([&] {
    shown = Form.CurJobDef();
    C<QCheckBox>("CheckExportEmails")->setChecked(false);
    C<QPushButton>("ButtonCancel")->click();
  });
  EXPECT_EQ(shown, job);
  EXPECT_EQ(Form.result(), QDialog::Rejected);
  EXPECT_EQ(Load(TOptions::GetLastUsedFilename()), job);
}

TEST_F(FormMain, HelpMenuOpensTheMainPageAndTheAboutBox) {
  TUrlCatcher urls;
  QStringList about;
  Steps.Add("TFormAbout", [&](QWidget* w) {
    about << w->windowTitle();
    for (QLabel* l : w->findChildren<QLabel*>()) about << l->text();
    static_cast<QDialog*>(w)->accept();
  });
  const QList<QAction*> actions = Form.PopupMenuHelp()->actions();
  ASSERT_EQ(actions.size(), 3);
  EXPECT_EQ(actions[0]->text(), QStringLiteral("Help"));
  EXPECT_TRUE(actions[1]->isSeparator());
  EXPECT_EQ(actions[2]->text(), QStringLiteral("Info..."));
  actions[0]->trigger();
  actions[2]->trigger();
  ASSERT_EQ(urls.Opened.size(), 1);
  EXPECT_TRUE(urls.Opened[0].toLocalFile().endsWith(QStringLiteral("/Help/index.htm")));
  EXPECT_TRUE(QFile::exists(urls.Opened[0].toLocalFile()));
  EXPECT_TRUE(about.contains(QStringLiteral("About Tarnwick")));
  EXPECT_TRUE(about.contains(QStringLiteral("Version:")));
  EXPECT_TRUE(about.contains(QStringLiteral("5.5.0.1")));
  EXPECT_TRUE(Boxes.Boxes.isEmpty()) << Boxes.Texts().join(' ').toStdString();
}

}  // namespace
