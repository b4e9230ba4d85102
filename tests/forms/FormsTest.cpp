#include "tests/forms/FormsTest.h"

#include "addin/forms/MsgBox.h"
#include "core/OutlookObjects.h"
#include "core/RedemptionTools.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTimer>

namespace {

constexpr int kPollMs = 10;
constexpr int kGiveUpTicks = 3000;  // 30 s: a step that never comes fails the test

}  // namespace

TModalSteps::TModalSteps() : FTimer(new QTimer(this)) {
  connect(FTimer, &QTimer::timeout, this, &TModalSteps::Poll);
  FTimer->start(kPollMs);
}

TModalSteps::~TModalSteps() { EXPECT_TRUE(FSteps.empty()) << FSteps.size() << " modal steps never ran"; }

void TModalSteps::Add(const char* className, std::function<void(QWidget*)> step) {
  FSteps.push_back({className, std::move(step)});
}

void TModalSteps::Poll() {
  QWidget* modal = QApplication::activeModalWidget();
  if (FSteps.empty()) return;
  if (++FTicks > kGiveUpTicks) {
    ADD_FAILURE() << "no modal window of class " << FSteps.front().ClassName.constData();
    FSteps.clear();
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    return;
  }
  if (!modal || !modal->isVisible() || FHandled.contains(modal)) return;
  if (FSteps.front().ClassName != modal->metaObject()->className()) return;
  TStep step = std::move(FSteps.front());
  FSteps.pop_front();
  FHandled << modal;
  FTicks = 0;
  // Run from a timer of its own: a modal window the step opens is then
  // still polled (a timer does not fire again while its handler runs).
  QTimer::singleShot(0, modal, [act = std::move(step.Act), modal] { act(modal); });
}

TMsgBoxes::TMsgBoxes() {
  SetMsgBoxHook([this](QWidget* owner, bool question, const QString& text) {
    Boxes << TBox{question, text, owner ? owner->window()->focusWidget() : QApplication::focusWidget()};
    if (!question || Answers.empty()) return false;
    const bool answer = Answers.front();
    Answers.pop_front();
    return answer;
  });
}

TMsgBoxes::~TMsgBoxes() { SetMsgBoxHook(nullptr); }

QStringList TMsgBoxes::Texts() const {
  QStringList texts;
  for (const TBox& box : Boxes) texts << box.Text;
  return texts;
}

TUrlCatcher::TUrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }

TUrlCatcher::~TUrlCatcher() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

void TUrlCatcher::Open(const QUrl& url) { Opened << url; }

TFakeOutlook::TFakeOutlook(IRDOFolder* folder, const QList<TwkPtr<IRDOMail>>& selected) {
  // The folder and e-mails as the mail window reports them.
  const auto shown = std::make_shared<TOutlookFolderRef>(folder->EntryID(), folder->StoreID());
  QList<std::shared_ptr<TOutlookObject>> items;
  for (const TwkPtr<IRDOMail>& mail : selected)
    items << std::make_shared<TOutlookItemRef>(mail->EntryID(), QStringLiteral("IPM.Note"), shown);
  FExplorer = std::make_shared<TOutlookExplorerSnapshot>(shown, std::make_shared<TOutlookItemList>(items));
}

namespace {

void CopyTree(const QString& from, const QString& to) {
  QDirIterator it(from, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString file = it.next();
    const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(file);
    QDir().mkpath(QFileInfo(target).absolutePath());
    EXPECT_TRUE(QFile::copy(file, target)) << target.toStdString();
  }
  // The repository keeps no empty directories: each maildir gets its new/ and tmp/.
  QDirIterator dirs(to, {QStringLiteral("cur")}, QDir::Dirs, QDirIterator::Subdirectories);
  while (dirs.hasNext()) {
    const QString maildir = QFileInfo(dirs.next()).absolutePath();
    QDir().mkpath(maildir + QStringLiteral("/new"));
    QDir().mkpath(maildir + QStringLiteral("/tmp"));
  }
}

}  // namespace

TFormsStore::TFormsStore() {
  CopyTree(SourcePath(QStringLiteral("examples/sample-store/Maildir")), Root());
  qunsetenv("TWK_PROFILE");
  qputenv("MAILDIR", Root().toUtf8());
  FLoader.SetDllLocation64Bit(BinPath(QStringLiteral("TWKtools64.so")));
  FSession.ConnectTo(FLoader.new_RDOSession());
  FSession.Logon();
}

QString TFormsStore::Root() const { return FScratch.Path() + QStringLiteral("/Maildir"); }

QString TFormsStore::StorePath(const QString& path) const {
  const TwkPtr<IRDOStore> store = Session()->Stores()->DefaultStore();
  return QStringLiteral("\\\\") + store->Name() + QLatin1Char('\\') + path;
}

TwkPtr<IRDOFolder> TFormsStore::Folder(const QString& path) const {
  TwkPtr<IRDOFolder> folder = FindFolderByPath(Session(), StorePath(path));
  EXPECT_TRUE(folder) << path.toStdString();
  return folder;
}
