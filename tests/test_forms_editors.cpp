// The task editors on real widgets: what each shows of its job part, what
// OK takes back, the checks on OK (message, focus, dialog stays open), the
// directory question, the placeholder menus and the help buttons.
#include "addin/forms/FrmEditCopyMoveEmails.h"
#include "addin/forms/FrmEditEmailFilter.h"
#include "addin/forms/FrmEditExportAtts.h"
#include "addin/forms/FrmEditExportEmails.h"
#include "addin/forms/FrmEditJobDefName.h"
#include "addin/forms/FrmPickFolder.h"
#include "addin/forms/Help.h"
#include "addin/forms/PlaceholderMenu.h"
#include "core/DateTimeUtils.h"
#include "core/Exception.h"
#include "tests/forms/FormsTest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>

namespace {

class Editors : public ::testing::Test {
protected:
  // What one OK did: accepted, the boxes shown, the focus at the first box.
  struct TOutcome {
    bool Accepted = false;
    QStringList Messages;
    QString Focus;
  };

  // Opens the editor, lets fill set its controls, presses OK; a dialog that
  // stays open is cancelled afterwards.
  template <class F>
  TOutcome PressOK(F& form, const std::function<void(F&)>& fill) {
    Boxes.Boxes.clear();
    TOutcome out;
    Steps.Add(form.metaObject()->className(), [&](QWidget*) {
      fill(form);
      form.ButtonOK()->click();
      if (form.isVisible()) form.reject();
    });
    out.Accepted = form.Execute();
    out.Messages = Boxes.Texts();
    if (!Boxes.Boxes.isEmpty() && Boxes.Boxes.first().Focus) out.Focus = Boxes.Boxes.first().Focus->objectName();
    return out;
  }
  template <class T>
  static T* C(QWidget* form, const char* name) {
    return Control<T>(form, QString::fromLatin1(name));
  }
  static TDateTime Day(int y, int m, int d) { return DateTimeFromQDateTime(QDateTime(QDate(y, m, d), QTime(0, 0))); }

  TScratchDir Scratch;
  TMsgBoxes Boxes;
  TModalSteps Steps;
};

TEST_F(Editors, FilterListsComeBackTrimmedWithoutBlankLines) {
  TFormEditEmailFilter form;
  form.JobDef_EmailFilter1().SetSenderIncludeList({"  *@example.org ", "", "boss*"});
  QString shown;
  const TOutcome out = PressOK<TFormEditEmailFilter>(form, [&](TFormEditEmailFilter& f) {
    shown = C<QPlainTextEdit>(&f, "MemoSenderIncludeList")->toPlainText();
    C<QPlainTextEdit>(&f, "MemoSubjectExcludeList")->setPlainText("\n  [SPAM]*  \n\n\t*offer*\n   \n");
    C<QPlainTextEdit>(&f, "MemoAttIncludeList")->setPlainText("*.pdf");
  });
  EXPECT_TRUE(out.Accepted);
  EXPECT_EQ(shown, QStringLiteral("*@example.org\nboss*"));
  const TJobDef_EmailFilter1& f1 = form.JobDef_EmailFilter1();
  EXPECT_EQ(f1.SenderIncludeList(), (QStringList{"*@example.org", "boss*"}));
  EXPECT_EQ(f1.SubjectExcludeList(), (QStringList{"[SPAM]*", "*offer*"}));
  EXPECT_EQ(f1.AttIncludeList(), QStringList{"*.pdf"});
  EXPECT_TRUE(f1.RecipientIncludeList().isEmpty());
}

TEST_F(Editors, FilterDateModesAndTheRangeCheck) {
  struct TCase {
    const char* Radio;
    bool FromTicked, ToTicked;
    QDate From, To;
    bool Accepted;
    TJobDef_EmailFilter2 Expected;
  };
  const auto part = [](TDateMode mode, int days, TDateTime from, TDateTime to) {
    TJobDef_EmailFilter2 p;
    p.SetDateMode(mode);
    p.SetDays(days);
    p.SetFromDate(from);
    p.SetToDate(to);
    return p;
  };
  const QDate may1(2024, 5, 1), apr30(2024, 4, 30);
  const TCase cases[] = {
      {"RadioDateAny", true, true, may1, apr30, true, part(dmAny, 0, 0, 0)},
      {"RadioDateFromTo", false, true, may1, apr30, true, part(dmFromTo, 0, 0, Day(2024, 4, 30))},
      {"RadioDateFromTo", true, false, may1, apr30, true, part(dmFromTo, 0, Day(2024, 5, 1), 0)},
      {"RadioDateFromTo", true, true, may1, may1, true, part(dmFromTo, 0, Day(2024, 5, 1), Day(2024, 5, 1))},
      {"RadioDateFromTo", true, true, may1, apr30, false, {}},
      {"RadioDateFromTo", false, false, may1, apr30, false, {}},
  };
  for (const TCase& c : cases) {
    TFormEditEmailFilter form;
    const TOutcome out = PressOK<TFormEditEmailFilter>(form, [&](TFormEditEmailFilter& f) {
      C<QRadioButton>(&f, c.Radio)->setChecked(true);
      C<QCheckBox>(&f, "CheckDateTimePickerFrom")->setChecked(c.FromTicked);
      C<QDateEdit>(&f, "DateTimePickerFrom")->setDate(c.From);
      C<QCheckBox>(&f, "CheckDateTimePickerTo")->setChecked(c.ToTicked);
      C<QDateEdit>(&f, "DateTimePickerTo")->setDate(c.To);
    });
    EXPECT_EQ(out.Accepted, c.Accepted) << c.Radio << c.FromTicked << c.ToTicked;
    if (c.Accepted) {
      EXPECT_TRUE(out.Messages.isEmpty());
      EXPECT_EQ(form.JobDef_EmailFilter2(), c.Expected);
    } else {
      EXPECT_EQ(out.Messages, QStringList{QStringLiteral("Invalid date range")});
      EXPECT_EQ(out.Focus, QStringLiteral("RadioDateFromTo"));
    }
  }
}

TEST_F(Editors, FilterShowsItsDateConditionAndEnablesOnlyWhatTheModeUses) {
  TFormEditEmailFilter form;
  form.JobDef_EmailFilter2().SetDateMode(dmFromTo);
  form.JobDef_EmailFilter2().SetFromDate(Day(2023, 1, 2));
  QStringList seen;
  const TOutcome out = PressOK<TFormEditEmailFilter>(form, [&](TFormEditEmailFilter& f) {
    auto* days = C<QSpinBox>(&f, "EditDays");
    seen << QString::number(C<QCheckBox>(&f, "CheckDateTimePickerFrom")->isChecked())
         << C<QDateEdit>(&f, "DateTimePickerFrom")->date().toString(Qt::ISODate)
         << QString::number(C<QCheckBox>(&f, "CheckDateTimePickerTo")->isChecked())
         << C<QDateEdit>(&f, "DateTimePickerTo")->date().toString(Qt::ISODate)
         << QString::number(days->isEnabled()) << QString::number(C<QDateEdit>(&f, "DateTimePickerFrom")->isEnabled());
    C<QRadioButton>(&f, "RadioDateOlderThan")->setChecked(true);
    seen << QString::number(days->isEnabled()) << QString::number(C<QDateEdit>(&f, "DateTimePickerFrom")->isEnabled());
    days->setValue(20000);  // the counter stops at 10000
  });
  EXPECT_TRUE(out.Accepted);
  EXPECT_EQ(seen, (QStringList{"1", "2023-01-02", "0", QDate::currentDate().toString(Qt::ISODate), "0", "1", "1",
                               "0"}));
  EXPECT_EQ(form.JobDef_EmailFilter2().DateMode(), dmOlderThan);
  EXPECT_EQ(form.JobDef_EmailFilter2().Days(), 10000);
  EXPECT_EQ(form.JobDef_EmailFilter2().FromDate(), 0);
}

// The email export's checks, in their order, each with its focus.
TEST_F(Editors, ExportEmailsChecksInOrderWithFocus) {
  const QString dest = Scratch.Path();
  const struct {
    QString Dest, Mask;
    bool Log;
    QString LogPath, Message, Focus;
  } cases[] = {
      {"  ", "[B]", false, "", "Destination directory not specified", "EditDestPath"},
      {dest, " ", false, "", "Mask not specified", "EditSubFolderMask"},
      {dest, "[FE]", false, "", "Mask is invalid", "EditSubFolderMask"},
      {dest, "a\\\\b", true, "", "Mask is invalid", "EditSubFolderMask"},  // the mask before the log
      {dest, "[B]", true, "  ", "Log-directory not specified", "EditLogPath"},
  };
  for (const auto& c : cases) {
    TFormEditExportEmails form;
    const TOutcome out = PressOK<TFormEditExportEmails>(form, [&](TFormEditExportEmails& f) {
      C<QLineEdit>(&f, "EditDestPath")->setText(c.Dest);
      C<QLineEdit>(&f, "EditSubFolderMask")->setText(c.Mask);
      C<QCheckBox>(&f, "CheckLogExport")->setChecked(c.Log);
      C<QLineEdit>(&f, "EditLogPath")->setText(c.LogPath);
    });
    EXPECT_FALSE(out.Accepted) << c.Message.toStdString();
    EXPECT_EQ(out.Messages, QStringList{c.Message});
    EXPECT_EQ(out.Focus, c.Focus) << c.Message.toStdString();
  }
}

TEST_F(Editors, ExportEmailsTakesTheControlsBack) {
  TFormEditExportEmails form;
  form.JobDef_ExportEmails().Clear();
  form.JobDef_ExportEmails().SetLogFolder(QStringLiteral("/kept/only/while/logging"));
  QStringList shown;
  const TOutcome out = PressOK<TFormEditExportEmails>(form, [&](TFormEditExportEmails& f) {
    shown << C<QComboBox>(&f, "ComboSaveFormat")->currentText() << C<QLineEdit>(&f, "EditSubFolderMask")->text()
          << QString::number(C<QLineEdit>(&f, "EditLogPath")->isEnabled())
          << QString::number(C<QLineEdit>(&f, "EditSubjectPrefix")->isEnabled());
    C<QComboBox>(&f, "ComboSaveFormat")->setCurrentIndex(6);
    C<QLineEdit>(&f, "EditDestPath")->setText("  " + Scratch.Path() + "/./out/.. ");
    C<QLineEdit>(&f, "EditSubFolderMask")->setText(" [EYYYY]\\[B] ");
    C<QComboBox>(&f, "ComboExistMode")->setCurrentIndex(1);
    C<QCheckBox>(&f, "CheckAttsAlso")->setChecked(true);
    C<QCheckBox>(&f, "CheckPrefixSubject")->setChecked(true);
    shown << QString::number(C<QLineEdit>(&f, "EditSubjectPrefix")->isEnabled());
    C<QLineEdit>(&f, "EditSubjectPrefix")->setText("  [saved] ");
  });
  ASSERT_TRUE(out.Accepted) << out.Messages.join(' ').toStdString();
  EXPECT_EQ(shown, (QStringList{".EML", "[OR]\\[BX50]", "0", "0", "1"}));
  const TJobDef_ExportEmails& d = form.JobDef_ExportEmails();
  EXPECT_EQ(d.EmailFormat(), efMSGunicode);
  EXPECT_EQ(d.DestFolder(), Scratch.Path());  // absolute and clean
  EXPECT_EQ(d.SubFolderMask(), QStringLiteral("[EYYYY]\\[B]"));
  EXPECT_EQ(d.ExistMode(), emOverwrite);
  EXPECT_TRUE(d.AttsAlso());
  EXPECT_FALSE(d.LogExport());
  EXPECT_EQ(d.LogFolder(), QString());
  EXPECT_TRUE(d.PrefixSubject());
  EXPECT_EQ(d.SubjectPrefix(), QStringLiteral("[saved] "));
}

TEST_F(Editors, MissingDirectoriesAreCreatedOnlyWhenTheUserSaysYes) {
  const QString dest = Scratch.Path() + QStringLiteral("/new/dest");
  const QString log = Scratch.Path() + QStringLiteral("/new/log");
  const auto fill = [&](TFormEditExportEmails& f) {
    C<QLineEdit>(&f, "EditDestPath")->setText(dest);
    C<QCheckBox>(&f, "CheckLogExport")->setChecked(true);
    C<QLineEdit>(&f, "EditLogPath")->setText(log);
  };
  const QString question = QStringLiteral("The specified directory does not exist.\nWould you like to create it?\n\n%1");
  {
    TFormEditExportEmails form;
    form.JobDef_ExportEmails().Clear();
    const TOutcome out = PressOK<TFormEditExportEmails>(form, fill);
    EXPECT_FALSE(out.Accepted);
    EXPECT_EQ(out.Messages, QStringList{question.arg(dest)});
    EXPECT_EQ(out.Focus, QStringLiteral("EditDestPath"));
    EXPECT_FALSE(QDir(dest).exists());
  }
  {
    TFormEditExportEmails form;
    form.JobDef_ExportEmails().Clear();
    Boxes.Answers = {true, true};
    const TOutcome out = PressOK<TFormEditExportEmails>(form, fill);
    EXPECT_TRUE(out.Accepted);
    EXPECT_EQ(out.Messages, (QStringList{question.arg(dest), question.arg(log)}));
    EXPECT_TRUE(QDir(dest).exists());
    EXPECT_TRUE(QDir(log).exists());
    EXPECT_EQ(form.JobDef_ExportEmails().LogFolder(), log);
  }
  {
    // Below a file nothing can be created.
    Scratch.Write(QStringLiteral("file"), "x");
    TFormEditExportAtts form;
    form.JobDef_ExportAtts().Clear();
    Boxes.Answers = {true};
    const TOutcome out = PressOK<TFormEditExportAtts>(
        form, [&](TFormEditExportAtts& f) { C<QLineEdit>(&f, "EditDestPath")->setText(Scratch.Path() + "/file/sub"); });
    EXPECT_FALSE(out.Accepted);
    ASSERT_EQ(out.Messages.size(), 2);
    EXPECT_EQ(out.Messages[1], QStringLiteral("Directory could not be created"));
    EXPECT_EQ(Boxes.Boxes[1].Focus->objectName(), QStringLiteral("EditDestPath"));
  }
}

TEST_F(Editors, ExportAttachmentsAllowsAttachmentPlaceholdersAndTakesTheSizeOnlyWhenTicked) {
  const struct {
    QString Mask;
    bool SizeTicked;
    bool Accepted;
  } cases[] = {
      {"[OR]\\[F1]\\[FE]", false, true},
      {"[E]-[F]", true, true},
      {"[XYZ]", false, false},
      {"", false, false},
  };
  for (const auto& c : cases) {
    TFormEditExportAtts form;
    form.JobDef_ExportAtts().Clear();
    form.JobDef_ExportAtts().SetAttExcludeList({" *.p7s ", ""});
    QStringList shown;
    const TOutcome out = PressOK<TFormEditExportAtts>(form, [&](TFormEditExportAtts& f) {
      auto* size = C<QSpinBox>(&f, "EditSize");
      shown << C<QPlainTextEdit>(&f, "MemoAttExcludeList")->toPlainText() << QString::number(size->isEnabled());
      C<QLineEdit>(&f, "EditDestPath")->setText(Scratch.Path());
      C<QLineEdit>(&f, "EditSubFolderMask")->setText(c.Mask);
      C<QCheckBox>(&f, "CheckSize")->setChecked(c.SizeTicked);
      shown << QString::number(size->isEnabled());
      size->setValue(250);
      C<QComboBox>(&f, "ComboShortcutMode")->setCurrentIndex(1);
    });
    EXPECT_EQ(out.Accepted, c.Accepted) << c.Mask.toStdString();
    EXPECT_EQ(shown, (QStringList{"*.p7s", "0", c.SizeTicked ? "1" : "0"}));
    if (!c.Accepted) {
      EXPECT_EQ(out.Messages, QStringList{c.Mask.isEmpty() ? "Mask not specified" : "Mask is invalid"});
      EXPECT_EQ(out.Focus, QStringLiteral("EditSubFolderMask"));
      continue;
    }
    const TJobDef_ExportAtts& d = form.JobDef_ExportAtts();
    EXPECT_EQ(d.CheckAttSize(), c.SizeTicked);
    EXPECT_EQ(d.AttMinSizeKB(), c.SizeTicked ? 250 : 0);
    EXPECT_EQ(d.ShortcutMode(), smTWK);
    EXPECT_EQ(d.AttExcludeList(), QStringList{"*.p7s"});
  }
}

class CopyMove : public Editors {
protected:
  CopyMove() { Store.Session()->SetFolderPicker(MakeFolderPicker(Store.Session())); }
  ~CopyMove() override { Store.Session()->SetFolderPicker(nullptr); }
  TFormsStore Store;
};

TEST_F(CopyMove, ChecksTheFolderAndTheMask) {
  const TwkPtr<IRDOFolder> sent = Store.Folder(QStringLiteral("Sent"));
  const TwkPtr<IRDOFolder> root = Store.Session()->Stores()->DefaultStore()->RootFolder();
  const struct {
    QString EntryID, StoreID, Mask, Message, Focus;
  } cases[] = {
      {"", sent->StoreID(), "[OR]", "Destination folder not specified", "ButtonBrowseForDestFolder"},
      {sent->EntryID(), "", "[OR]", "Destination folder not specified", "ButtonBrowseForDestFolder"},
      {root->EntryID(), root->StoreID(), "[OR]", "The folder must be an email folder (e.g. no search folder or similar)",
       "ButtonBrowseForDestFolder"},
      {sent->EntryID(), sent->StoreID(), "[FE]", "Mask is invalid", "EditSubFolderMask"},
      {sent->EntryID(), sent->StoreID(), "", "", ""},
  };
  for (bool move : {false, true}) {
    for (const auto& c : cases) {
      TFormEditCopyMoveEmails form(nullptr, Store.Session(), move);
      EXPECT_EQ(form.windowTitle(), move ? QStringLiteral("Move emails") : QStringLiteral("Copy emails"));
      form.JobDef_CopyMove().SetFolderEntryID(c.EntryID);
      form.JobDef_CopyMove().SetFolderStoreID(c.StoreID);
      form.JobDef_CopyMove().SetSubFolderMask(c.Mask);
      const TOutcome out = PressOK<TFormEditCopyMoveEmails>(form, [](TFormEditCopyMoveEmails&) {});
      EXPECT_EQ(out.Accepted, c.Message.isEmpty()) << c.Message.toStdString();
      EXPECT_EQ(out.Messages, c.Message.isEmpty() ? QStringList() : QStringList{c.Message});
      EXPECT_EQ(out.Focus, c.Focus);
    }
  }
}

TEST_F(CopyMove, PickerChoosesTheDestinationAndShowsItsPath) {
  TFormEditCopyMoveEmails form(nullptr, Store.Session(), false);
  form.JobDef_CopyMove().Clear();
  QString shownBefore, pickerTitle;
  const TOutcome out = PressOK<TFormEditCopyMoveEmails>(form, [&](TFormEditCopyMoveEmails& f) {
    shownBefore = C<QLineEdit>(&f, "EditDestFolder")->text();
    Steps.Add("TFormPickFolder", [&](QWidget* w) {
      pickerTitle = w->windowTitle();
      auto* tree = Control<QTreeWidget>(w, QStringLiteral("TreeFolders"));
      const QList<QTreeWidgetItem*> found = tree->findItems(QStringLiteral("Sent"), Qt::MatchRecursive);
      ASSERT_EQ(found.size(), 1);
      tree->setCurrentItem(found[0]);
      Control<QPushButton>(w, QStringLiteral("ButtonOK"))->click();
    });
    C<QPushButton>(&f, "ButtonBrowseForDestFolder")->click();
  });
  EXPECT_TRUE(out.Accepted) << out.Messages.join(' ').toStdString();
  EXPECT_EQ(shownBefore, QString());
  EXPECT_EQ(pickerTitle, QStringLiteral("Choose folder"));
  EXPECT_EQ(Control<QLineEdit>(&form, QStringLiteral("EditDestFolder"))->text(), Store.StorePath(QStringLiteral("Sent")));
  EXPECT_EQ(form.JobDef_CopyMove().FolderEntryID(), Store.Folder(QStringLiteral("Sent"))->EntryID());
  EXPECT_EQ(form.JobDef_CopyMove().SubFolderMask(), QStringLiteral("[OR]"));
}

TEST_F(Editors, TemplateNameIsCleanedLikeAFileNameAndNothingLeftIsCancel) {
  const struct {
    QString Typed, Name;
    bool Accepted;
  } cases[] = {
      {"  Weekly: export  ", "Weekly export", true},
      {"a/b\\c", "abc", true},
      {" ?*.. ", "", false},
  };
  for (const auto& c : cases) {
    TFormEditJobDefName form;
    form.SetJobDefName(QStringLiteral("proposed"));
    QString shown;
    const TOutcome out = PressOK<TFormEditJobDefName>(form, [&](TFormEditJobDefName& f) {
      shown = C<QLineEdit>(&f, "EditJobDefName")->text();
      C<QLineEdit>(&f, "EditJobDefName")->setText(c.Typed);
    });
    EXPECT_EQ(shown, QStringLiteral("proposed"));
    EXPECT_EQ(out.Accepted, c.Accepted) << c.Typed.toStdString();
    EXPECT_TRUE(out.Messages.isEmpty());
    if (c.Accepted) {
      EXPECT_EQ(form.JobDefName(), c.Name);
    }
  }
  EXPECT_EQ(TFormEditJobDefName().ButtonHelp(), nullptr);
}

TEST_F(Editors, PlaceholderMenusInsertTheirCodeAtTheCaret) {
  TFormEditExportAtts atts;
  TFormEditExportEmails emails;
  const auto groups = [](QWidget* form) {
    QStringList out;
    auto* button = form->findChild<TPlaceholderButton*>();
    for (QAction* a : button->PopupMenu()->actions()) {
      if (a->isSeparator()) continue;
      out << (a->menu() ? a->text() + QStringLiteral(":") + QString::number(a->menu()->actions().size()) : a->text());
    }
    return out;
  };
  const QStringList emailGroups = {"Outlook folder structure:3", "Addresses:10", "Subject:4", "Email's date:7",
                                   "Current date:7", "Other:2"};
  EXPECT_EQ(groups(&emails), emailGroups + QStringList{"\\\\"});
  EXPECT_EQ(groups(&atts), emailGroups + QStringList({"Attachment filename:5", "\\\\"}));

  const struct {
    QString Caption, Code;
  } codes[] = {
      {"[OR] - Outlook folder structure, starting at source folder", "[OR]"},
      {"[BX50] - Subject without leading RE:, FW:... (first 50 characters)", "[BX50]"},
      {"[E1] - 1st character of extension", "[E1]"},
      {"\\\\", "\\"},
  };
  for (const auto& c : codes) EXPECT_EQ(PlaceholderCode(c.Caption), c.Code);

  // With the focus in the edit the code goes to the caret; without it, to the end.
  auto* button = atts.findChild<TPlaceholderButton*>();
  auto* edit = C<QLineEdit>(&atts, "EditSubFolderMask");
  atts.show();
  atts.activateWindow();
  edit->setText(QStringLiteral("ab"));
  edit->setFocus();
  edit->setCursorPosition(1);
  QTimer::singleShot(50, [button] {
    for (QAction* a : button->PopupMenu()->actions())
      if (a->menu() && a->text() == QStringLiteral("Subject")) a->menu()->actions().first()->trigger();
    button->PopupMenu()->close();
  });
  button->Popup();
  EXPECT_EQ(edit->text(), QStringLiteral("a[B]b"));
  button->setFocus();
  edit->setCursorPosition(0);
  button->InsertEntry(QStringLiteral("\\\\"));
  EXPECT_EQ(edit->text(), QStringLiteral("a[B]b\\"));
  atts.hide();
}

TEST_F(Editors, HelpButtonsOpenTheirPagesAndAMissingPageGivesTheSystemsReason) {
  TUrlCatcher urls;
  TFormsStore store;
  TFormEditEmailFilter filter;
  TFormEditExportEmails emails;
  TFormEditExportAtts atts;
  TFormEditCopyMoveEmails copy(nullptr, store.Session(), false), move(nullptr, store.Session(), true);
  const std::pair<TFormEditBase*, QString> cases[] = {{&filter, "emailfilter.htm"},   {&emails, "exportemails.htm"},
                                                      {&atts, "exportatts.htm"},      {&copy, "copyemails.htm"},
                                                      {&move, "moveemails.htm"}};
  for (const auto& [form, page] : cases) {
    urls.Opened.clear();
    form->ButtonHelp()->click();
    ASSERT_EQ(urls.Opened.size(), 1) << page.toStdString();
    EXPECT_EQ(urls.Opened[0].toLocalFile(), HelpDirectory() + page);
  }
  EXPECT_TRUE(Boxes.Boxes.isEmpty()) << Boxes.Texts().join(' ').toStdString();
  try {
    OpenHelpPage(nullptr, QStringLiteral("nothere.htm"));
    ADD_FAILURE() << "no error";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message(), HelpDirectory() + QStringLiteral("nothere.htm: No such file or directory"));
  }
}

TEST_F(Editors, GroupCaptionsAreBoldAndTheirContentsAreNot) {
  TFormEditExportEmails form;
  const QList<QGroupBox*> groups = form.findChildren<QGroupBox*>();
  ASSERT_EQ(groups.size(), 3);
  for (QGroupBox* g : groups) {
    EXPECT_TRUE(g->font().bold()) << g->title().toStdString();
    for (QWidget* w : g->findChildren<QWidget*>()) EXPECT_FALSE(w->font().bold()) << w->objectName().toStdString();
  }
  EXPECT_EQ(groups[0]->title(), QStringLiteral(" Save emails in the following format "));
  EXPECT_TRUE(form.ButtonOK()->isDefault());
}

}  // namespace
