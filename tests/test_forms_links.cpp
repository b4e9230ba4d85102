// The re-import and relocation dialogs on real widgets over a real store:
// the folder chosen in the picker, the checks, the question, the run with
// its status bar, Cancel during a run, and the results window.
#include "addin/forms/FrmPickFolder.h"
#include "addin/forms/FrmReimport.h"
#include "addin/forms/FrmRelocate.h"
#include "core/FilenameTools.h"
#include "tests/LinkFixture.h"
#include "tests/forms/FormsTest.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace {

template <class T>
T* C(QWidget* form, const char* name) {
  return Control<T>(form, QString::fromLatin1(name));
}

class LinkDialogs : public TLinkStoreTest {
protected:
  ~LinkDialogs() override {
    if (FPicker) Session()->SetFolderPicker(nullptr);
  }
  QString S(const QString& relative) const { return Scratch.Path() + QLatin1Char('/') + relative; }
  // The picker answered with the folder it preselects.
  void PickPreselected(QWidget* form, QString* pickerTitle = nullptr) {
    if (!FPicker) Session()->SetFolderPicker(MakeFolderPicker(Session()));
    FPicker = true;
    Steps.Add("TFormPickFolder", [pickerTitle](QWidget* w) {
      if (pickerTitle) *pickerTitle = w->windowTitle();
      Control<QPushButton>(w, QStringLiteral("ButtonOK"))->click();
    });
    C<QPushButton>(form, "ButtonBrowseForOLFolder")->click();
  }
  // The results window's text, closed.
  void ExpectResults(QString& text) {
    Steps.Add("TFormResults", [&text](QWidget* w) {
      text = Control<QPlainTextEdit>(w, QStringLiteral("MemoResults"))->toPlainText();
      static_cast<QDialog*>(w)->accept();
    });
  }
  bool Open(TFormLinkTask& form) {
    form.SetRDOSession(&RDOSession());
    const TwkPtr<IRDOFolder> inbox = Folder();
    return form.Execute(inbox->EntryID(), inbox->StoreID());
  }

  TMsgBoxes Boxes;
  TModalSteps Steps;

private:
  bool FPicker = false;
};

TEST_F(LinkDialogs, ReimportThroughTheDialog) {
  Trust(S("export"));
  const QByteArray pdf("%PDF-1.4 report bytes\n");
  const QString report = PutFile(QStringLiteral("export/Inbox/report.pdf"), pdf);
  const QString gone = S("export/Inbox/gone.doc");
  WriteStore({{QStringLiteral("Inbox"),
               {BuildMime(QStringLiteral("First"), {}),
                BuildMime(QStringLiteral("Links"), {{QStringLiteral("report-pdf.twk"), LinkBytes(report)},
                                                    {QStringLiteral("gone-doc.twk"), LinkBytes(gone)}})}},
              {QStringLiteral("Inbox/Sub"), {BuildMime(QStringLiteral("Below"), {})}}});
  TFormReimport form;
  QStringList seen;
  QString pickerTitle, results;
  Steps.Add("TFormReimport", [&](QWidget*) {
    seen << form.windowTitle() << C<QLabel>(&form, "LabelInfo")->text().left(40);
    C<QPushButton>(&form, "ButtonStart")->click();  // no folder yet
    PickPreselected(&form, &pickerTitle);
    seen << C<QLineEdit>(&form, "EditOLFolderName")->text();
    C<QCheckBox>(&form, "CheckSubFolders")->setChecked(true);
    Boxes.Answers = {false};
    C<QPushButton>(&form, "ButtonStart")->click();  // No to the question: nothing runs
    seen << QString::number(form.isVisible());
    Boxes.Answers = {true};
    ExpectResults(results);
    C<QPushButton>(&form, "ButtonStart")->click();
  });
  EXPECT_TRUE(Open(form));
  EXPECT_EQ(seen, (QStringList{"Reimport attachments - Tarnwick", "This task \"reimports\" email attachments,",
                               Folder()->FolderPath(), "1"}));
  EXPECT_EQ(pickerTitle, "Choose folder");
  EXPECT_EQ(Boxes.Texts(),
            (QStringList{"Outlook folder to process not specified", "Start reimport?", "Start reimport?"}));
  EXPECT_EQ(Boxes.Boxes.value(0).Focus ? Boxes.Boxes.value(0).Focus->objectName() : QString(), "ButtonBrowseForOLFolder");
  EXPECT_EQ(results, "Folders inspected: 2\nItems inspected: 3\nEmails processed: 3\nAttachments reimported: 1\n"
                     "Affected emails: 1");
  EXPECT_EQ(Atts().value(1), (QStringList{Att("gone-doc.twk", LinkBytes(gone)), Att("report.pdf", pdf)}));
}

TEST_F(LinkDialogs, CancelDuringARunStopsAtTheNextItemAndIdleCancelCloses) {
  WriteStore({{QStringLiteral("Inbox"), {BuildMime("a", {}), BuildMime("b", {}), BuildMime("c", {})}}});
  TFormReimport form;
  QStringList during;
  QString results;
  Steps.Add("TFormReimport", [&](QWidget*) {
    PickPreselected(&form);
    Boxes.Answers = {true};
    ExpectResults(results);
    // Runs inside the first progress call, which lets pending events through.
    QTimer::singleShot(0, &form, [&] {
      during << C<QLabel>(&form, "StatusBarPanel0")->text();
      for (const char* name : {"ButtonStart", "ButtonBrowseForOLFolder", "CheckSubFolders", "ButtonCancel"})
        during << QString::number(C<QWidget>(&form, name)->isEnabled());
      form.close();
      form.reject();  // Esc
      during << QString::number(form.isVisible());
      C<QPushButton>(&form, "ButtonCancel")->click();
    });
    C<QPushButton>(&form, "ButtonStart")->click();
    during << C<QLabel>(&form, "StatusBarPanel0")->text();
  });
  EXPECT_TRUE(Open(form));
  const QString path = Folder()->FolderPath();
  EXPECT_EQ(during, (QStringList{"3/3 - " + path, "0", "0", "0", "1", "1", ""}));
  EXPECT_TRUE(results.startsWith("User cancelled\n")) << results.toStdString();
  EXPECT_TRUE(results.contains("Items inspected: 0")) << results.toStdString();

  // Idle, Cancel closes the dialog without a run.
  TFormReimport idle;
  Steps.Add("TFormReimport", [&](QWidget*) { C<QPushButton>(&idle, "ButtonCancel")->click(); });
  EXPECT_FALSE(Open(idle));
}

TEST_F(LinkDialogs, RelocateThroughTheDialog) {
  const QByteArray bytes("moved file");
  PutFile(QStringLiteral("archive/Inbox/a.pdf"), bytes);
  const QString oldTarget = S("export/Inbox/a.pdf");
  WriteStore({{QStringLiteral("Inbox"), {BuildMime(QStringLiteral("One"), {{"a-pdf.twk", LinkBytes(oldTarget)}})}}});
  TFormRelocate form;
  QStringList seen;
  QString results;
  Steps.Add("TFormRelocate", [&](QWidget*) {
    seen << form.windowTitle();
    PickPreselected(&form);
    auto* org = C<QLineEdit>(&form, "EditOrgPath");
    auto* moved = C<QLineEdit>(&form, "EditNewPath");
    C<QPushButton>(&form, "ButtonStart")->click();  // no original directory
    org->setText("  " + S("export") + "  ");
    moved->setText(S("nowhere"));
    C<QPushButton>(&form, "ButtonStart")->click();  // the new directory is missing
    seen << org->text();
    moved->setText(S("archive"));
    Boxes.Answers = {true};
    ExpectResults(results);
    C<QPushButton>(&form, "ButtonStart")->click();
  });
  EXPECT_TRUE(Open(form));
  EXPECT_EQ(seen, (QStringList{"Relocate links - Tarnwick", S("export/")}));
  QStringList focus;
  for (const auto& box : Boxes.Boxes) focus << (box.Focus ? box.Focus->objectName() : QString());
  EXPECT_EQ(Boxes.Texts(), (QStringList{"Please enter the original directory", "The new directory does not exist",
                                        "Start relocate links?\n\nOld directory: " + S("export/") +
                                            "\n\nNew directory: " + S("archive/")}));
  EXPECT_EQ(focus.mid(0, 2), (QStringList{"EditOrgPath", "EditNewPath"}));
  EXPECT_EQ(results, "Folders inspected: 1\nItems inspected: 1\nEmails processed: 1\nLinks found: 1\n"
                     "Original files found: 0\nFiles not found: 0\nLinks changed: 1\nAffected emails: 1");
  const QString newTarget = S("archive/Inbox/a.pdf");
  EXPECT_EQ(Atts().value(0), QStringList{Att(LinkFileNameFor(newTarget), LinkBytes(newTarget))});
}

}  // namespace
