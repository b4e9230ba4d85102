#include "addin/forms/FrmLinkTask.h"

#include "addin/forms/DM.h"
#include "addin/forms/FormTools.h"
#include "addin/forms/FrmResults.h"
#include "addin/forms/Help.h"
#include "addin/forms/MsgBox.h"
#include "core/Exception.h"
#include "core/LinkWalker.h"
#include "core/RDOSession.h"
#include "core/RedemptionTools.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

TFormLinkTask::TFormLinkTask(QWidget* owner, const QString& caption, const QString& info, const QString& helpPage)
    : QDialog(owner), FHelpPage(helpPage) {
  setWindowTitle(caption);
  auto* layout = new QVBoxLayout(this);
  auto* labelInfo = new QLabel(info, this);
  labelInfo->setTextFormat(Qt::PlainText);
  labelInfo->setWordWrap(true);
  Name(labelInfo, info, QStringLiteral("LabelInfo"));
  layout->addWidget(labelInfo);

  auto* grid = new QGridLayout;
  FEditOLFolderName = new QLineEdit(this);
  FEditOLFolderName->setReadOnly(true);
  Name(FEditOLFolderName, QString(), QStringLiteral("EditOLFolderName"));
  grid->addWidget(MakeLabel(this, QStringLiteral("Outlook folder to process:"), FEditOLFolderName, QString()), 0, 0, 1, 2);
  grid->addWidget(FEditOLFolderName, 1, 0);
  FButtonBrowseForOLFolder = MakeEllipsisButton(this, QStringLiteral("Choose folder"), QStringLiteral("ButtonBrowseForOLFolder"));
  grid->addWidget(FButtonBrowseForOLFolder, 1, 1);
  FCheckSubFolders = new QCheckBox(QStringLiteral("incl. subfolders"), this);
  Name(FCheckSubFolders, FCheckSubFolders->text(), QStringLiteral("CheckSubFolders"));
  grid->addWidget(FCheckSubFolders, 2, 0, 1, 2);
  layout->addLayout(grid);
  FBody = new QVBoxLayout;
  layout->addLayout(FBody);
  connect(FButtonBrowseForOLFolder, &QPushButton::clicked, this,
          [this] { TryOrShowError(this, [this] { ButtonBrowseForOLFolderClick(); }); });
}

void TFormLinkTask::FinishLayout() {
  auto* layout = static_cast<QVBoxLayout*>(this->layout());
  layout->addStretch(1);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  FButtonStart = new QPushButton(QStringLiteral("Start"), this);
  FButtonStart->setDefault(true);
  Name(FButtonStart, QStringLiteral("Start"), QStringLiteral("ButtonStart"));
  FButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
  FButtonCancel->setAutoDefault(false);
  Name(FButtonCancel, QStringLiteral("Cancel"), QStringLiteral("ButtonCancel"));
  auto* help = new QPushButton(QStringLiteral("Help"), this);
  help->setAutoDefault(false);
  Name(help, QStringLiteral("Help"), QStringLiteral("ButtonHelp"));
  row->addWidget(FButtonStart);
  row->addWidget(FButtonCancel);
  row->addWidget(help);
  layout->addLayout(row);

  auto* statusBar = new QStatusBar(this);
  statusBar->setSizeGripEnabled(false);
  Name(statusBar, QStringLiteral("Status"), QStringLiteral("StatusBar"));
  FStatusPanel = new QLabel(statusBar);
  FStatusPanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);  // a long path never widens the dialog
  Name(FStatusPanel, QStringLiteral("Progress"), QStringLiteral("StatusBarPanel0"));
  statusBar->addWidget(FStatusPanel, 1);
  layout->addWidget(statusBar);

  connect(FButtonStart, &QPushButton::clicked, this, [this] { TryOrShowError(this, [this] { ButtonStartClick(); }); });
  connect(FButtonCancel, &QPushButton::clicked, this, &TFormLinkTask::ButtonCancelClick);
  connect(help, &QPushButton::clicked, this, [this] { TryOrShowError(this, [this] { OpenHelpPage(this, FHelpPage); }); });
  resize(500, sizeHint().height());
}

IRDOSession* TFormLinkTask::Session() const { return FRDOSession ? FRDOSession->Intf() : nullptr; }

bool TFormLinkTask::Execute(const QString& activeEntryID, const QString& activeStoreID) {
  FActiveEntryID = activeEntryID;
  FActiveStoreID = activeStoreID;
  SetInAction(false);
  // The icon is decoration only; a failure to draw it changes nothing.
  try {
    setWindowIcon(ProductIcon());
  } catch (...) {
  }
  CenterOnOwner(this);
  return exec() == QDialog::Accepted;
}

void TFormLinkTask::Fail(QWidget* control, const QString& message) {
  if (control) control->setFocus();
  throw Exception(message);
}

void TFormLinkTask::ButtonBrowseForOLFolderClick() {
  QString eid = FEntryID, sid = FStoreID;
  if (eid.isEmpty()) {
    eid = FActiveEntryID;
    sid = FActiveStoreID;
  }
  if (!Session() || !PickOutlookFolder(this, QStringLiteral("Choose folder"), Session(), eid, sid)) return;
  FEntryID = eid;
  FStoreID = sid;
  FEditOLFolderName->setText(GetFolderPathByID(Session(), eid, sid));
}

void TFormLinkTask::ButtonStartClick() {
  if (FEntryID.isEmpty()) Fail(FButtonBrowseForOLFolder, QStringLiteral("Outlook folder to process not specified"));
  FInclSubFolders = FCheckSubFolders->isChecked();
  CheckInput();
  if (!AskYesNo(this, Question())) return;

  std::unique_ptr<TLinkWalker> engine = MakeEngine();
  engine->SetRDOSession(Session());
  engine->SetSourceEntryID(FEntryID);
  engine->SetSourceStoreID(FStoreID);
  engine->SetInclSubFolders(FInclSubFolders);
  engine->SetOnProcessing([this](TLinkWalker*, int itemNo, int items, const QString& folderPath, bool& cancel) {
    Processing(itemNo, items, folderPath, cancel);
  });
  SetInAction(true);
  QString exceptMsg;
  try {
    engine->Execute();
  } catch (const Exception& e) {
    exceptMsg = e.Message();
  } catch (...) {
    // Not an error of the system's own: the results still show, then it passes on.
    ShowResults(this, exceptMsg, engine->Results().join(QLatin1Char('\n')), engine->MailErrors());
    SetInAction(false);
    throw;
  }
  ShowResults(this, exceptMsg, engine->Results().join(QLatin1Char('\n')), engine->MailErrors());
  SetInAction(false);
  done(QDialog::Accepted);
}

void TFormLinkTask::Processing(int itemNo, int items, const QString& folderPath, bool& cancel) {
  FStatusPanel->setText(QStringLiteral("%1/%2 - %3").arg(itemNo).arg(items).arg(folderPath));
  QCoreApplication::processEvents();
  cancel = FCancelPressed;
}

void TFormLinkTask::SetInAction(bool running) {
  FInAction = running;
  QList<QWidget*> controls = FRunningDisabled;
  controls << FButtonBrowseForOLFolder << FCheckSubFolders << FButtonStart;
  for (QWidget* control : controls) control->setEnabled(!running);
  if (running) FCancelPressed = false;
  FStatusPanel->clear();
}

void TFormLinkTask::ButtonCancelClick() {
  if (FInAction)
    FCancelPressed = true;
  else
    done(QDialog::Rejected);
}

void TFormLinkTask::reject() {
  // Esc answers Cancel only while idle; during a run only the button stops it.
  if (!FInAction) done(QDialog::Rejected);
}

void TFormLinkTask::done(int result) {
  if (FInAction) return;  // no closing while a run is in progress
  QDialog::done(result);
}

void TFormLinkTask::closeEvent(QCloseEvent* event) {
  if (FInAction)
    event->ignore();
  else
    QDialog::closeEvent(event);
}
