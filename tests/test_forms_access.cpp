// What assistive tools (and the desktop end-to-end test) see of every
// dialog through Qt's accessibility layer: each control has a name a user
// can read and its control name as description; the tab order runs from
// top to bottom; default and cancel buttons are the described ones.
#include "addin/forms/FrmAbout.h"
#include "addin/forms/FrmEditCopyMoveEmails.h"
#include "addin/forms/FrmEditEmailFilter.h"
#include "addin/forms/FrmEditExportAtts.h"
#include "addin/forms/FrmEditExportEmails.h"
#include "addin/forms/FrmEditJobDefName.h"
#include "addin/forms/FrmMain.h"
#include "addin/forms/FrmPickFolder.h"
#include "addin/forms/FrmResults.h"
#include "tests/forms/FormsTest.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {

struct TDialogCase {
  const char* Name;
  std::function<QDialog*()> Make;
};

const TDialogCase kDialogs[] = {
    {"main", [] { return new TFormMain; }},
    {"filter", [] { return new TFormEditEmailFilter; }},
    {"export emails", [] { return new TFormEditExportEmails; }},
    {"export atts", [] { return new TFormEditExportAtts; }},
    {"copy", [] { return new TFormEditCopyMoveEmails(nullptr, nullptr, false); }},
    {"template name", [] { return new TFormEditJobDefName; }},
    {"results", [] { return new TFormResults; }},
    {"about", [] { return new TFormAbout; }},
    {"picker", [] { return new TFormPickFolder(nullptr, nullptr, QStringLiteral("Choose folder")); }},
};

bool IsControl(QWidget* w) {
  if (w->objectName().startsWith(QStringLiteral("qt_"))) return false;  // parts of Qt's own widgets
  return qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
         qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTreeWidget*>(w) ||
         qobject_cast<QGroupBox*>(w);
}

TEST(FormsAccess, EveryControlHasAReadableNameAndItsControlNameAsDescription) {
  for (const TDialogCase& d : kDialogs) {
    std::unique_ptr<QDialog> dialog(d.Make());
    int controls = 0;
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
      if (!IsControl(w)) continue;
      ++controls;
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
      ASSERT_NE(a, nullptr);
      const QString name = a->text(QAccessible::Name), description = a->text(QAccessible::Description);
      EXPECT_FALSE(name.trimmed().isEmpty()) << d.Name << ": " << w->objectName().toStdString();
      EXPECT_NE(name, QStringLiteral("...")) << d.Name << ": " << w->objectName().toStdString();
      EXPECT_FALSE(description.isEmpty()) << d.Name << ": a " << w->metaObject()->className() << " named "
                                          << name.toStdString();
      EXPECT_EQ(description, w->objectName()) << d.Name;
    }
    EXPECT_GT(controls, 0) << d.Name;
  }
}

TEST(FormsAccess, ControlNamesAndCaptionsOfTheMainDialog) {
  TFormMain form;
  const struct {
    const char* Control;
    QString Name;
  } cases[] = {
      {"ComboJobDefNames", "Job-Template:"},
      {"ButtonDeleteJobDef", "Delete"},
      {"RadioSelected", "Selected emails"},
      {"RadioFolder", "Outlook folder:"},
      {"EditOLFolderName", "Outlook folder:"},
      {"ButtonBrowseForOLFolder", "Choose source folder"},
      {"CheckSubFolders", "incl. subfolders"},
      {"CheckFilter", "Use filter"},
      {"ButtonFilter", "Edit email filter"},
      {"CheckExportEmails", "Export emails to disk"},
      {"CheckExportAtts", "Export attachments to disk"},
      {"CheckCopyEmails", "Copy emails to another Outlook folder"},
      {"CheckMoveEmails", "Move emails to another Outlook folder"},
      {"ButtonSaveAs", "Save as job-template..."},
      {"ButtonReset", "Reset"},
      {"ButtonStart", "START"},
      {"ButtonCancel", "Close"},
      {"LabelHelp", "Help"},
      {"GroupBox1", "Emails to process"},
      {"GroupBox2", "Tasks"},
  };
  for (const auto& c : cases) {
    QWidget* w = Control<QWidget>(&form, QString::fromLatin1(c.Control));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name), c.Name) << c.Control;
  }
  EXPECT_EQ(Control<QGroupBox>(&form, QStringLiteral("GroupBox1"))->title(), QStringLiteral(" Emails to process "));
  EXPECT_TRUE(Control<QGroupBox>(&form, QStringLiteral("GroupBox2"))->font().bold());
  EXPECT_FALSE(Control<QWidget>(&form, QStringLiteral("CheckExportEmails"))->font().bold());
}

// Tab from the first control to the last: each next control lies lower, or
// on the same row further right.
TEST(FormsAccess, TabOrderRunsFromTopToBottom) {
  for (const TDialogCase& d : kDialogs) {
    std::unique_ptr<QDialog> dialog(d.Make());
    dialog->show();
    QList<QWidget*> chain;
    QWidget* w = dialog.get();
    for (int guard = 0; guard < 500; ++guard) {
      w = w->nextInFocusChain();
      if (w == dialog.get()) break;
      if (w->isVisible() && (w->focusPolicy() & Qt::TabFocus) && w->window() == dialog.get() && IsControl(w))
        chain << w;
    }
    EXPECT_FALSE(chain.isEmpty()) << d.Name;
    for (qsizetype i = 1; i < chain.size(); ++i) {
      const QRect a(chain[i - 1]->mapTo(dialog.get(), QPoint()), chain[i - 1]->size());
      const QRect b(chain[i]->mapTo(dialog.get(), QPoint()), chain[i]->size());
      const bool sameRow = b.top() < a.bottom() && a.top() < b.bottom();
      EXPECT_TRUE(sameRow ? b.left() >= a.right() : b.top() >= a.bottom())
          << d.Name << ": " << chain[i - 1]->objectName().toStdString() << " then "
          << chain[i]->objectName().toStdString();
    }
    dialog->hide();
  }
}

TEST(FormsAccess, DefaultButtons) {
  const struct {
    const char* Dialog;
    std::function<QDialog*()> Make;
    QString Default;
  } cases[] = {
      {"filter", [] { return new TFormEditEmailFilter; }, "ButtonOK"},
      {"export emails", [] { return new TFormEditExportEmails; }, "ButtonOK"},
      {"template name", [] { return new TFormEditJobDefName; }, "ButtonOK"},
      {"results", [] { return new TFormResults; }, "ButtonClose"},
      {"about", [] { return new TFormAbout; }, "ButtonClose"},
      {"main", [] { return new TFormMain; }, ""},
  };
  for (const auto& c : cases) {
    std::unique_ptr<QDialog> dialog(c.Make());
    QStringList defaults;
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
      if (b->isDefault()) defaults << b->objectName();
    EXPECT_EQ(defaults, c.Default.isEmpty() ? QStringList() : QStringList{c.Default}) << c.Dialog;
  }
}

}  // namespace
