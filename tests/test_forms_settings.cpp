// The settings dialogs on real widgets: options (template directory with
// its question, send option), own addresses, and the inbox task list with
// its task editor, writing a real inbox file.
#include "addin/forms/FrmEditInboxJob.h"
#include "addin/forms/FrmEditInboxList.h"
#include "addin/forms/FrmEditMeNames.h"
#include "addin/forms/FrmEditOptions.h"
#include "tests/forms/FormsTest.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {

template <class T>
T* C(QWidget* form, const char* name) {
  return Control<T>(form, QString::fromLatin1(name));
}

class Settings : public ::testing::Test {
protected:
  TIsolatedUser User;
  TScratchDir Scratch;
  TMsgBoxes Boxes;
  TModalSteps Steps;
};

QString CreateQuestion(const QString& path) {
  return QStringLiteral("The specified directory does not exist.\nWould you like to create it?\n\n") + path;
}

TEST_F(Settings, OptionsTemplateDirectory) {
  Scratch.Write(QStringLiteral("blocker"), "a file, not a directory");
  const QString scratch = Scratch.Path();
  QDir::setCurrent(scratch);
  const QString existing = scratch + QStringLiteral("/shared//templates/");
  QDir().mkpath(existing);
  const struct {
    const char* Name;
    QString Typed;
    std::deque<bool> Answers;
    bool Accepted;
    QString Stored;  // what the edit shows afterwards, and the stored path on OK
    QStringList Messages;
  } cases[] = {
      {"empty: no question", "   ", {}, true, "", {}},
      {"absolute and existing: kept as typed", existing, {}, true, existing, {}},
      {"missing, No: stays open", scratch + "/new/tpl", {false}, false, scratch + "/new/tpl",
       {CreateQuestion(scratch + "/new/tpl")}},
      {"missing, Yes: created", scratch + "/made/tpl", {true}, true, scratch + "/made/tpl",
       {CreateQuestion(scratch + "/made/tpl")}},
      {"relative: made absolute", " rel/tpl ", {true}, true, scratch + "/rel/tpl", {CreateQuestion(scratch + "/rel/tpl")}},
      {"home: made absolute", "~/tpl", {true}, true, QDir::homePath() + "/tpl", {CreateQuestion(QDir::homePath() + "/tpl")}},
      {"cannot be created: error, stays open", scratch + "/blocker/tpl", {true}, false, scratch + "/blocker/tpl",
       {CreateQuestion(scratch + "/blocker/tpl"), "Directory could not be created"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TFormEditOptions form;
    form.Options().Clear();
    form.Options().SetGlobalJobDefPath(QStringLiteral("/old"));
    Boxes.Answers = c.Answers;
    const TOkOutcome out = PressOK<TFormEditOptions>(
        Steps, Boxes, form, [&](TFormEditOptions& f) { C<QLineEdit>(&f, "EditGlobalJobPath")->setText(c.Typed); });
    EXPECT_EQ(out.Accepted, c.Accepted);
    EXPECT_EQ(out.Messages, c.Messages);
    EXPECT_EQ(C<QLineEdit>(&form, "EditGlobalJobPath")->text(), c.Stored.isEmpty() ? c.Typed : c.Stored);
    EXPECT_EQ(form.Options().GlobalJobDefPath(), c.Accepted ? c.Stored : QStringLiteral("/old"));
    if (!c.Messages.isEmpty()) {
      EXPECT_EQ(out.Focus, "EditGlobalJobPath");
    }
    if (!c.Stored.isEmpty()) {
      EXPECT_EQ(QFileInfo(c.Stored).isDir(), c.Accepted);
    }
  }
}

TEST_F(Settings, OptionsSendOptionIsTheListPosition) {
  TFormEditOptions form;
  form.Options().Clear();
  form.Options().SetSendOptions(soAlways);
  QStringList items;
  int shown = -1;
  const TOkOutcome out = PressOK<TFormEditOptions>(Steps, Boxes, form, [&](TFormEditOptions& f) {
    auto* combo = C<QComboBox>(&f, "ComboSendOption");
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    shown = combo->currentIndex();
    combo->setCurrentIndex(1);
  });
  EXPECT_TRUE(out.Accepted);
  EXPECT_EQ(items, (QStringList{"Do not replace the attached link with the file", "Ask for replace",
                                "Always replace the attached link with the file"}));
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(form.Options().SendOptions(), soAsk);
  EXPECT_EQ(form.windowTitle(), "Tarnwick - Options");
}

TEST_F(Settings, OwnAddressesAreStoredTrimmedWithoutBlankLines) {
  TFormEditMeNames form;
  form.GetMeNames() = {QStringLiteral("me@example.org")};
  QString shown, info;
  const TOkOutcome out = PressOK<TFormEditMeNames>(Steps, Boxes, form, [&](TFormEditMeNames& f) {
    auto* memo = C<QPlainTextEdit>(&f, "MemoMeNames");
    shown = memo->toPlainText();
    info = C<QLabel>(&f, "LabelInfo")->text();
    memo->setPlainText(QStringLiteral("\n   *@example.com  \n\n\tjohn.doe@*\n   \nJohn Doe\n"));
  });
  EXPECT_TRUE(out.Accepted);
  EXPECT_EQ(out.Messages, QStringList());
  EXPECT_EQ(shown, "me@example.org");
  EXPECT_EQ(form.GetMeNames(), (QStringList{"*@example.com", "john.doe@*", "John Doe"}));
  EXPECT_EQ(form.windowTitle(), "Tarnwick - Own email addresses");
  EXPECT_TRUE(info.startsWith("If you use one of the placeholders [ME], [MN], [NE] and [NN] in a mask"));
  EXPECT_TRUE(info.endsWith("You can use the wildcards * and ? to form your expressions.\n\nExamples:\n*@example.com\njohn.doe@*"));
}

// The inbox list over a real inbox file in the scratch directory.
class InboxList : public Settings {
protected:
  QString File() const { return Scratch.Path() + QStringLiteral("/Tarnwick/inbox.twx"); }
  static TJobDef_Inbox Task(const QString& subject) {
    TJobDef_Inbox job;
    job.Clear();
    job.InboxFilter().SetSubjectMask(subject);
    job.SetExportAtts(true);
    job.JobDef_ExportAtts().SetDestFolder(QStringLiteral("/tmp"));
    return job;
  }
  void WriteList(const QStringList& subjects, bool active) {
    TJobDefList_Inbox list;
    list.SetActive(active);
    for (const QString& s : subjects) list.Insert(list.Count(), Task(s));
    QDir().mkpath(QFileInfo(File()).path());
    list.SaveToFile(File());
  }
  static QStringList Subjects(QTreeWidget* tree) {
    QStringList out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) out << tree->topLevelItem(i)->text(2);
    return out;
  }
  // "selected index: Edit Up Down Remove" with each button's state.
  static QString Buttons(QWidget* f) {
    auto* tree = C<QTreeWidget>(f, "ListView");
    const QList<QTreeWidgetItem*> sel = tree->selectedItems();
    QString s = QString::number(sel.isEmpty() ? -1 : tree->indexOfTopLevelItem(sel.first())) + QLatin1Char(':');
    for (const char* b : {"ButtonAdd", "ButtonEdit", "ButtonUp", "ButtonDown", "ButtonDelete"})
      s += C<QPushButton>(f, b)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return s;
  }
  QByteArray FileBytes() const {
    QFile f(File());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  // Opens the list dialog on the file, acts, and presses OK or Cancel.
  TOkOutcome Run(TFormEditInboxList& form, const std::function<void(TFormEditInboxList&)>& act) {
    return PressOK<TFormEditInboxList>(Steps, Boxes, form, act, [&] { return form.Execute(File()); });
  }
};

TEST_F(InboxList, EnablingRuleFollowsTheSelection) {
  WriteList({"a", "b", "c"}, true);
  TFormEditInboxList form;
  QStringList seen;
  Run(form, [&](TFormEditInboxList& f) {
    auto* tree = C<QTreeWidget>(&f, "ListView");
    seen << Buttons(&f);
    for (int i : {0, 1, 2}) {
      tree->setCurrentItem(tree->topLevelItem(i));
      seen << Buttons(&f);
    }
    seen << QString::number(C<QCheckBox>(&f, "CheckCheckInbox")->isChecked());
    f.ButtonCancel()->click();
  });
  EXPECT_EQ(seen, (QStringList{"-1:10000", "0:11011", "1:11111", "2:11101", "1"}));
}

TEST_F(InboxList, UpOnTheFirstAndDownOnTheLastChangeNothing) {
  WriteList({"a", "b", "c"}, true);
  TFormEditInboxList form;
  QStringList seen;
  const TOkOutcome out = Run(form, [&](TFormEditInboxList& f) {
    auto* tree = C<QTreeWidget>(&f, "ListView");
    tree->setCurrentItem(tree->topLevelItem(0));
    C<QPushButton>(&f, "ButtonUp")->click();
    seen << Subjects(tree).join(',') + ' ' + Buttons(&f);
    C<QPushButton>(&f, "ButtonDown")->click();  // a moves down and stays selected
    seen << Subjects(tree).join(',') + ' ' + Buttons(&f);
    tree->setCurrentItem(tree->topLevelItem(2));
    C<QPushButton>(&f, "ButtonDown")->click();
    seen << Subjects(tree).join(',') + ' ' + Buttons(&f);
    C<QPushButton>(&f, "ButtonUp")->click();
    seen << Subjects(tree).join(',') + ' ' + Buttons(&f);
  });
  EXPECT_TRUE(out.Accepted);
  EXPECT_EQ(seen, (QStringList{"a,b,c 0:11011", "b,a,c 1:11111", "b,a,c 2:11101", "b,c,a 1:11111"}));
  TJobDefList_Inbox saved;
  saved.LoadFromFile(File());
  ASSERT_EQ(saved.Count(), 3);
  EXPECT_EQ(saved.Items(1).InboxFilter().SubjectMask(), "c");
}

TEST_F(InboxList, RemovalSelectsTheNextRowOrTheNewLast) {
  WriteList({"a", "b", "c"}, false);
  TFormEditInboxList form;
  QStringList seen;
  Run(form, [&](TFormEditInboxList& f) {
    auto* tree = C<QTreeWidget>(&f, "ListView");
    tree->setCurrentItem(tree->topLevelItem(2));
    C<QPushButton>(&f, "ButtonDelete")->click();  // the last of three
    seen << Subjects(tree).join(',') + ' ' + Buttons(&f);
    tree->setCurrentItem(tree->topLevelItem(0));
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(tree, &del);  // Delete acts as Remove
    seen << Subjects(tree).join(',') + ' ' + Buttons(&f);
    C<QPushButton>(&f, "ButtonDelete")->click();  // the only row
    seen << Subjects(tree).join(',') + ' ' + Buttons(&f);
    f.ButtonCancel()->click();
  });
  EXPECT_EQ(seen, (QStringList{"a,b 1:11101", "b 0:11001", " -1:10000"}));
}

TEST_F(InboxList, OkRulesAndTheFileWrittenOnlyOnOk) {
  WriteList({"a"}, true);
  const QByteArray before = FileBytes();
  // Removing the only task of an active list: refused with the focus on Add.
  {
    TFormEditInboxList form;
    const TOkOutcome out = Run(form, [&](TFormEditInboxList& f) {
      auto* tree = C<QTreeWidget>(&f, "ListView");
      tree->setCurrentItem(tree->topLevelItem(0));
      C<QPushButton>(&f, "ButtonDelete")->click();
    });
    EXPECT_FALSE(out.Accepted);
    EXPECT_EQ(out.Messages, QStringList{"Please define at least 1 task"});
    EXPECT_EQ(out.Focus, "ButtonAdd");
    EXPECT_EQ(FileBytes(), before) << "Cancel leaves the file untouched";
  }
  // The same with watching turned off: accepted and saved.
  {
    TFormEditInboxList form;
    const TOkOutcome out = Run(form, [&](TFormEditInboxList& f) {
      auto* tree = C<QTreeWidget>(&f, "ListView");
      tree->setCurrentItem(tree->topLevelItem(0));
      C<QPushButton>(&f, "ButtonDelete")->click();
      C<QCheckBox>(&f, "CheckCheckInbox")->setChecked(false);
    });
    EXPECT_TRUE(out.Accepted);
    EXPECT_EQ(out.Messages, QStringList());
    TJobDefList_Inbox saved;
    saved.LoadFromFile(File());
    EXPECT_EQ(saved.Count(), 0);
    EXPECT_FALSE(saved.Active());
  }
}

TEST_F(InboxList, DamagedFileShowsAnEmptyListAndOkReplacesIt) {
  QDir().mkpath(QFileInfo(File()).path());
  Scratch.Write(QStringLiteral("Tarnwick/inbox.twx"), "not an inbox file");
  TFormEditInboxList form;
  int rows = -1;
  const TOkOutcome out = Run(form, [&](TFormEditInboxList& f) { rows = C<QTreeWidget>(&f, "ListView")->topLevelItemCount(); });
  EXPECT_TRUE(out.Accepted);
  EXPECT_EQ(out.Messages, QStringList());
  EXPECT_EQ(rows, 0);
  TJobDefList_Inbox saved;
  EXPECT_NO_THROW(saved.LoadFromFile(File()));
}

TEST_F(InboxList, TaskWithOnlyTheSubjectAddedThroughTheEditors) {
  const QString dest = Scratch.Path() + QStringLiteral("/atts");
  QDir().mkpath(dest);
  TFormEditInboxList form;
  QStringList seen;
  const TOkOutcome out = Run(form, [&](TFormEditInboxList& f) {
    // Insert in the list opens the editor as Add does; its first OK finds no task.
    Steps.Add("TFormEditInboxJob", [&](QWidget* w) {
      auto& job = *static_cast<TFormEditInboxJob*>(w);
      seen << w->windowTitle();
      C<QLineEdit>(w, "EditSubjectMask")->setText(QStringLiteral("  Invoice*  "));
      job.ButtonOK()->click();
      seen << Boxes.Texts().join('|') << QString::number(C<QPushButton>(w, "ButtonExportAtts")->isEnabled());
      Boxes.Boxes.clear();  // their focus widgets die with this editor
      // Ticking opens the attachment export editor at once.
      Steps.Add("TFormEditExportAtts", [&](QWidget* e) {
        C<QLineEdit>(e, "EditDestPath")->setText(dest);
        C<QPushButton>(e, "ButtonOK")->click();
        if (e->isVisible()) static_cast<QDialog*>(e)->reject();
      });
      C<QCheckBox>(w, "CheckExportAtts")->click();
      seen << QString::number(C<QPushButton>(w, "ButtonExportAtts")->isEnabled());
      job.ButtonOK()->click();
      if (w->isVisible()) job.reject();
    });
    QKeyEvent ins(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier);
    QApplication::sendEvent(C<QTreeWidget>(&f, "ListView"), &ins);
    auto* tree = C<QTreeWidget>(&f, "ListView");
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QStringList cells;
    for (int c = 0; c < tree->columnCount(); ++c) cells << tree->headerItem()->text(c) + '=' + tree->topLevelItem(0)->text(c);
    seen << cells.join(',') << Buttons(&f);
    C<QCheckBox>(&f, "CheckCheckInbox")->setChecked(true);
  });
  EXPECT_TRUE(out.Accepted) << out.Messages.join(' ').toStdString();
  EXPECT_EQ(seen, (QStringList{"Task for Inbox", "No task defined", "0", "1",
                               "Sender=,Recipient=,Subject=Invoice*,Attachments=,Export emails=no,Export atts=yes",
                               "0:11001"}));
  TJobDefList_Inbox saved;
  saved.LoadFromFile(File());
  ASSERT_EQ(saved.Count(), 1);
  EXPECT_TRUE(saved.Active());
  EXPECT_EQ(saved.Items(0).InboxFilter().SubjectMask(), "Invoice*");
  EXPECT_TRUE(saved.Items(0).ExportAtts());
  EXPECT_FALSE(saved.Items(0).ExportEmails());
  EXPECT_EQ(saved.Items(0).JobDef_ExportAtts().DestFolder(), dest);
}

TEST_F(InboxList, DoubleClickEditsACopyThatCancelLeavesAlone) {
  WriteList({"a", "b"}, true);
  TFormEditInboxList form;
  QStringList seen;
  Run(form, [&](TFormEditInboxList& f) {
    auto* tree = C<QTreeWidget>(&f, "ListView");
    for (const bool ok : {false, true}) {
      Steps.Add("TFormEditInboxJob", [&, ok](QWidget* w) {
        auto& job = *static_cast<TFormEditInboxJob*>(w);
        seen << C<QLineEdit>(w, "EditSubjectMask")->text();
        C<QLineEdit>(w, "EditSubjectMask")->setText(QStringLiteral("changed"));
        ok ? job.ButtonOK()->click() : job.ButtonCancel()->click();
      });
      tree->setCurrentItem(tree->topLevelItem(1));
      Q_EMIT tree->itemDoubleClicked(tree->topLevelItem(1), 0);
      seen << Subjects(tree).join(',') + ' ' + Buttons(&f);
    }
    f.ButtonCancel()->click();
  });
  EXPECT_EQ(seen, (QStringList{"b", "a,b 1:11101", "b", "a,changed 1:11101"}));
}

}  // namespace
