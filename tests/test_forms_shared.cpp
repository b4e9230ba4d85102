// The shared pieces of the dialogs: the results window's text rule, the
// folder picker over the real stores of a session, the directory chooser,
// the About box, the product icon and the help pages as installed.
#include "addin/forms/DM.h"
#include "addin/forms/FrmAbout.h"
#include "addin/forms/FrmPickFolder.h"
#include "addin/forms/FrmResults.h"
#include "addin/forms/Help.h"
#include "core/RedemptionTools.h"
#include "tests/forms/FormsTest.h"

#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>

namespace {

class Shared : public ::testing::Test {
protected:
  TModalSteps Steps;
  TMsgBoxes Boxes;
};

TEST_F(Shared, ResultsTextPutsTheErrorFirstThenTheSummaryThenTheMailErrors) {
  const struct {
    QString Except, Summary;
    QStringList Errors;
    QString Shown;
  } cases[] = {
      {"", "1 email exported", {"Inbox: failed"}, "1 email exported\n\nInbox: failed"},
      {"Outlook source folder not specified", "", {}, "Outlook source folder not specified"},
      {"User cancelled", "2 emails exported", {"a", "b"}, "User cancelled\n\n\n2 emails exported\n\na\nb"},
      {"", "", {}, ""},
  };
  for (const auto& c : cases) {
    QString shown;
    QStringList looks;
    QWidget owner;
    Steps.Add("TFormResults", [&](QWidget* w) {
      auto* memo = Control<QPlainTextEdit>(w, QStringLiteral("MemoResults"));
      shown = memo->toPlainText();
      looks << w->windowTitle() << QString::number(memo->isReadOnly())
            << QString::number(memo->lineWrapMode() == QPlainTextEdit::NoWrap)
            << QString::number(memo->font().pointSizeF() - w->font().pointSizeF())
            << QString::number(Control<QPushButton>(w, QStringLiteral("ButtonClose"))->isDefault())
            << QString::number(w->windowIcon().isNull());
      static_cast<QDialog*>(w)->reject();  // Esc closes it too
    });
    ShowResults(&owner, c.Except, c.Summary, c.Errors);
    EXPECT_EQ(shown, c.Shown);
    EXPECT_EQ(looks, (QStringList{"Tarnwick", "1", "1", "2", "1", "0"}));
  }
}

class Picker : public Shared {
protected:
  Picker() {
    MakeMaildir(FDir.Path() + QStringLiteral("/Mail"),
                R"({"layout": "nested", "folders": {"Inbox": 0, "Inbox/Sub": 0, "Archive/2023": 0}})");
    MakeMaildir(FDir.Path() + QStringLiteral("/Other"), R"({"layout": "maildir++", "folders": {"Inbox": 0, "Lists": 0}})");
    FProfile = std::make_unique<TProfileFile>(FDir, "[store]\npath = Mail\ndefault = yes\n[store]\npath = Other\n");
    FLoader.SetDllLocation64Bit(BinPath(QStringLiteral("TWKtools64.so")));
    FSession.ConnectTo(FLoader.new_RDOSession());
    FSession.Logon();
    S = FSession.Intf();
  }
  ~Picker() override { S->SetFolderPicker(nullptr); }
  TwkPtr<IRDOFolder> Path(const QString& p) { return FindFolderByPath(S, p); }

  // The tree as "indent name" lines, and the current item's name.
  static QStringList Tree(QTreeWidget* tree) {
    QStringList lines;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
      int depth = 0;
      for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent()) ++depth;
      lines << QString(depth * 2, QLatin1Char(' ')) + (*it)->text(0);
    }
    return lines;
  }

  TIsolatedUser FUser;
  TScratchDir FDir;
  std::unique_ptr<TProfileFile> FProfile;
  TRedemptionLoader FLoader;
  TRDOSession FSession;
  IRDOSession* S = nullptr;
};

TEST_F(Picker, ShowsEveryStorePreselectsAndReturnsTheChosenFolder) {
  S->SetFolderPicker(MakeFolderPicker(S));
  const TwkPtr<IRDOFolder> sub = Path(QStringLiteral("\\\\Mail\\Inbox\\Sub"));
  QString eid = sub->EntryID(), sid = sub->StoreID();
  QStringList tree;
  QString title, current;
  QWidget owner;
  Steps.Add("TFormPickFolder", [&](QWidget* w) {
    title = w->windowTitle();
    auto* t = Control<QTreeWidget>(w, QStringLiteral("TreeFolders"));
    tree = Tree(t);
    current = t->currentItem() ? t->currentItem()->text(0) : QString();
    const QList<QTreeWidgetItem*> lists = t->findItems(QStringLiteral("Lists"), Qt::MatchRecursive);
    ASSERT_EQ(lists.size(), 1);
    t->setCurrentItem(lists[0]);
    Control<QPushButton>(w, QStringLiteral("ButtonOK"))->click();
  });
  ASSERT_TRUE(PickOutlookFolder(&owner, QStringLiteral("Choose folder"), S, eid, sid));
  EXPECT_EQ(title, QStringLiteral("Choose folder"));
  EXPECT_EQ(current, QStringLiteral("Sub"));
  EXPECT_TRUE(tree.contains(QStringLiteral("Mail")));
  EXPECT_TRUE(tree.contains(QStringLiteral("Other")));
  EXPECT_TRUE(tree.contains(QStringLiteral("    Sub"))) << tree.join('|').toStdString();
  EXPECT_TRUE(tree.contains(QStringLiteral("    2023"))) << tree.join('|').toStdString();
  const TwkPtr<IRDOFolder> lists = Path(QStringLiteral("\\\\Other\\Lists"));
  EXPECT_EQ(eid, lists->EntryID());
  EXPECT_EQ(sid, lists->StoreID());
}

TEST_F(Picker, CancelKeepsTheIDsAndNoPreselectionChoosesNothing) {
  S->SetFolderPicker(MakeFolderPicker(S));
  QString eid, sid;
  QString current = QStringLiteral("unset");
  bool okEnabled = true;
  Steps.Add("TFormPickFolder", [&](QWidget* w) {
    auto* t = Control<QTreeWidget>(w, QStringLiteral("TreeFolders"));
    current = t->currentItem() ? t->currentItem()->text(0) : QString();
    okEnabled = Control<QPushButton>(w, QStringLiteral("ButtonOK"))->isEnabled();
    Control<QPushButton>(w, QStringLiteral("ButtonCancel"))->click();
  });
  EXPECT_FALSE(PickOutlookFolder(nullptr, QStringLiteral("Choose folder"), S, eid, sid));
  EXPECT_EQ(current, QString());
  EXPECT_FALSE(okEnabled);
  EXPECT_TRUE(eid.isEmpty());
  EXPECT_TRUE(sid.isEmpty());
}

TEST_F(Picker, WithoutASessionThePreselectedFoldersStoreIsShown) {
  const TFolderPicker picker = MakeFolderPicker();
  QStringList tree;
  Steps.Add("TFormPickFolder", [&](QWidget* w) {
    tree = Tree(Control<QTreeWidget>(w, QStringLiteral("TreeFolders")));
    static_cast<QDialog*>(w)->accept();
  });
  const TwkPtr<IRDOFolder> inbox = Path(QStringLiteral("\\\\Other\\Inbox"));
  const TwkPtr<IRDOFolder> chosen = picker(inbox.get(), QStringLiteral("Choose folder"), nullptr);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->EntryID(), inbox->EntryID());
  EXPECT_TRUE(tree.contains(QStringLiteral("Other")));
  EXPECT_FALSE(tree.contains(QStringLiteral("Mail")));
}

TEST_F(Shared, DirectoryChooserStartsAtThePathAndCancelKeepsIt) {
  TScratchDir dir;
  QDir().mkpath(dir.Path() + QStringLiteral("/a/b"));
  QString path = dir.Path() + QStringLiteral("/a");
  QString title, start;
  Steps.Add("QFileDialog", [&](QWidget* w) {
    auto* fd = static_cast<QFileDialog*>(w);
    title = fd->windowTitle();
    start = fd->directory().absolutePath();
    Control<QLineEdit>(fd, QStringLiteral("fileNameEdit"))->setText(QStringLiteral("b"));  // typed by the user
    static_cast<QDialog*>(fd)->accept();
  });
  EXPECT_TRUE(BrowseForFolder(nullptr, QStringLiteral("Choose directory"), path));
  EXPECT_EQ(title, QStringLiteral("Choose directory"));
  EXPECT_EQ(start, dir.Path() + QStringLiteral("/a"));
  EXPECT_EQ(path, dir.Path() + QStringLiteral("/a/b"));

  Steps.Add("QFileDialog", [&](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
  EXPECT_FALSE(BrowseForFolder(nullptr, QStringLiteral("Choose directory"), path));
  EXPECT_EQ(path, dir.Path() + QStringLiteral("/a/b"));
}

TEST_F(Shared, AboutBoxAndProductIcon) {
  TFormAbout about;
  EXPECT_EQ(about.windowTitle(), QStringLiteral("About Tarnwick"));
  QStringList texts;
  for (QLabel* l : about.findChildren<QLabel*>()) texts << l->text();
  EXPECT_TRUE(texts.contains(QStringLiteral("Version:")));
  EXPECT_TRUE(texts.contains(QStringLiteral("5.5.0.1")));
  EXPECT_TRUE(Control<QPushButton>(&about, QStringLiteral("ButtonClose"))->isDefault());
  EXPECT_FALSE(Control<QLabel>(&about, QStringLiteral("ImageProduct"))->pixmap().isNull());

  const QIcon icon = ProductIcon();
  ASSERT_FALSE(icon.isNull());
  EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 16)));
  EXPECT_TRUE(icon.availableSizes().contains(QSize(256, 256)));
  // Drawn, not blank: the corners are transparent, the middle is not.
  const QImage image = icon.pixmap(64, 64).toImage();
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(image.pixel(32, 32)), 255);
}

TEST_F(Shared, EveryHelpPageIsInstalledAndItsLinksLeadToPagesThatExist) {
  const QStringList pages = {"index.htm",  "emailfilter.htm", "exportemails.htm", "exportatts.htm",
                             "copyemails.htm", "moveemails.htm", "options.htm",   "menames.htm",
                             "inboxlist.htm",  "reimport.htm",   "relocate.htm"};
  const QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"#:]+)\""));
  for (const QString& page : pages) {
    QFile file(HelpDirectory() + page);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << page.toStdString();
    const QString html = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(html.contains(QStringLiteral("<h1>"))) << page.toStdString();
    for (auto it = link.globalMatch(html); it.hasNext();) {
      const QString target = it.next().captured(1);
      EXPECT_TRUE(QFile::exists(HelpDirectory() + target)) << page.toStdString() << " -> " << target.toStdString();
    }
  }
}

}  // namespace
