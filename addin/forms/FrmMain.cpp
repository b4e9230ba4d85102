#include "addin/forms/FrmMain.h"

#include "addin/forms/DM.h"
#include "addin/forms/FormTools.h"
#include "addin/forms/FrmAbout.h"
#include "addin/forms/FrmEditCopyMoveEmails.h"
#include "addin/forms/FrmEditEmailFilter.h"
#include "addin/forms/FrmEditExportAtts.h"
#include "addin/forms/FrmEditExportEmails.h"
#include "addin/forms/FrmEditJobDefName.h"
#include "addin/forms/FrmResults.h"
#include "addin/forms/Help.h"
#include "addin/forms/MsgBox.h"
#include "core/CheckJobDef.h"
#include "core/EmailProcessor.h"
#include "core/OutlookTools.h"
#include "core/RDOSession.h"
#include "core/RedemptionTools.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Case-insensitive order of the template names, as the user reads them.
void SortNames(QStringList& names) {
  std::sort(names.begin(), names.end(),
            [](const QString& a, const QString& b) { return QString::localeAwareCompare(a.toUpper(), b.toUpper()) < 0; });
}

bool SameTextIgnoringCase(const QString& a, const QString& b) {
  const QLocale locale = QLocale::system();
  return locale.toUpper(a) == locale.toUpper(b);
}

void MakeFileDirectory(const QString& fileName) { QDir().mkpath(QFileInfo(fileName).absolutePath()); }

}  // namespace

TFormMain::TFormMain(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Tarnwick"));
  setWindowIcon(ProductIcon());
  CreateControls();
  FCurJobDef.Clear();
}

TFormMain::~TFormMain() = default;

QCheckBox* TFormMain::MakeTask(QWidget* parent, const QString& caption, const QString& controlName,
                               QPushButton*& button, const QString& buttonName, const QString& opens) {
  auto* check = new QCheckBox(caption, parent);
  Name(check, caption, controlName);
  button = MakeEllipsisButton(parent, opens, buttonName);
  return check;
}

void TFormMain::CreateControls() {
  auto* layout = new QVBoxLayout(this);

  // Heading with the help link.
  auto* top = new QHBoxLayout;
  FLabelTWK = new QLabel(QStringLiteral("Tarnwick"), this);
  QFont heading = FLabelTWK->font();
  heading.setBold(true);
  heading.setPointSizeF(heading.pointSizeF() * 1.6);
  FLabelTWK->setFont(heading);
  Name(FLabelTWK, QStringLiteral("Tarnwick"), QStringLiteral("LabelTWK"));
  auto* icon = new QLabel(this);
  icon->setPixmap(ProductIcon().pixmap(32, 32));
  top->addWidget(icon);
  top->addWidget(FLabelTWK);
  top->addStretch();
  FLabelHelp = new QToolButton(this);
  FLabelHelp->setText(QStringLiteral("Help"));
  SetLinkStyle(FLabelHelp);
  Name(FLabelHelp, QStringLiteral("Help"), QStringLiteral("LabelHelp"));
  FPopupMenuHelp = new QMenu(this);
  FPopupMenuHelp->setObjectName(QStringLiteral("PopupMenuHelp"));
  QAction* menHelp = FPopupMenuHelp->addAction(QStringLiteral("Help"));
  menHelp->setObjectName(QStringLiteral("MenHelp"));
  FPopupMenuHelp->addSeparator();
  QAction* menAbout = FPopupMenuHelp->addAction(QStringLiteral("Info..."));
  menAbout->setObjectName(QStringLiteral("MenAbout"));
  top->addWidget(FLabelHelp);
  layout->addLayout(top);

  // Template list.
  auto* templates = new QHBoxLayout;
  FComboJobDefNames = new QComboBox(this);
  FComboJobDefNames->setMinimumContentsLength(24);
  Name(FComboJobDefNames, QString(), QStringLiteral("ComboJobDefNames"));
  templates->addWidget(MakeLabel(this, QStringLiteral("Job-Template:"), FComboJobDefNames, QStringLiteral("Label1")));
  templates->addWidget(FComboJobDefNames, 1);
  FButtonDeleteJobDef = new QPushButton(QStringLiteral("Delete"), this);
  FButtonDeleteJobDef->setAutoDefault(false);
  Name(FButtonDeleteJobDef, QStringLiteral("Delete"), QStringLiteral("ButtonDeleteJobDef"));
  templates->addWidget(FButtonDeleteJobDef);
  layout->addLayout(templates);

  // Source.
  FGroupBox1 = new QGroupBox(QStringLiteral(" Emails to process "), this);
  Name(FGroupBox1, QStringLiteral("Emails to process"), QStringLiteral("GroupBox1"));
  auto* source = new QGridLayout(FGroupBox1);
  FRadioSelected = new QRadioButton(QStringLiteral("Selected emails"), FGroupBox1);
  Name(FRadioSelected, FRadioSelected->text(), QStringLiteral("RadioSelected"));
  source->addWidget(FRadioSelected, 0, 0, 1, 3);
  FRadioFolder = new QRadioButton(QStringLiteral("Outlook folder:"), FGroupBox1);
  Name(FRadioFolder, FRadioFolder->text(), QStringLiteral("RadioFolder"));
  source->addWidget(FRadioFolder, 1, 0);
  FEditOLFolderName = new QLineEdit(FGroupBox1);
  FEditOLFolderName->setReadOnly(true);
  FEditOLFolderName->setMinimumWidth(240);
  Name(FEditOLFolderName, QStringLiteral("Outlook folder:"), QStringLiteral("EditOLFolderName"));
  source->addWidget(FEditOLFolderName, 1, 1);
  FButtonBrowseForOLFolder =
      MakeEllipsisButton(FGroupBox1, QStringLiteral("Choose source folder"), QStringLiteral("ButtonBrowseForOLFolder"));
  source->addWidget(FButtonBrowseForOLFolder, 1, 2);
  FCheckSubFolders = new QCheckBox(QStringLiteral("incl. subfolders"), FGroupBox1);
  Name(FCheckSubFolders, FCheckSubFolders->text(), QStringLiteral("CheckSubFolders"));
  source->addWidget(FCheckSubFolders, 2, 1);
  FCheckFilter = MakeTask(FGroupBox1, QStringLiteral("Use filter"), QStringLiteral("CheckFilter"), FButtonFilter,
                          QStringLiteral("ButtonFilter"), QStringLiteral("Edit email filter"));
  source->addWidget(FCheckFilter, 3, 0, 1, 2);
  source->addWidget(FButtonFilter, 3, 2);
  source->setColumnStretch(1, 1);
  BoldGroupCaption(FGroupBox1);
  layout->addWidget(FGroupBox1);

  // Tasks.
  FGroupBox2 = new QGroupBox(QStringLiteral(" Tasks "), this);
  Name(FGroupBox2, QStringLiteral("Tasks"), QStringLiteral("GroupBox2"));
  auto* tasks = new QGridLayout(FGroupBox2);
  FCheckExportEmails =
      MakeTask(FGroupBox2, QStringLiteral("Export emails to disk"), QStringLiteral("CheckExportEmails"),
               FButtonExportEmails, QStringLiteral("ButtonExportEmails"), QStringLiteral("Edit email export"));
  FCheckExportAtts =
      MakeTask(FGroupBox2, QStringLiteral("Export attachments to disk"), QStringLiteral("CheckExportAtts"),
               FButtonExportAtts, QStringLiteral("ButtonExportAtts"), QStringLiteral("Edit attachment export"));
  FCheckCopyEmails =
      MakeTask(FGroupBox2, QStringLiteral("Copy emails to another Outlook folder"), QStringLiteral("CheckCopyEmails"),
               FButtonCopyEmails, QStringLiteral("ButtonCopyEmails"), QStringLiteral("Edit copy task"));
  FCheckMoveEmails =
      MakeTask(FGroupBox2, QStringLiteral("Move emails to another Outlook folder"), QStringLiteral("CheckMoveEmails"),
               FButtonMoveEmails, QStringLiteral("ButtonMoveEmails"), QStringLiteral("Edit move task"));
  const std::pair<QCheckBox*, QPushButton*> rows[] = {{FCheckExportEmails, FButtonExportEmails},
                                                      {FCheckExportAtts, FButtonExportAtts},
                                                      {FCheckCopyEmails, FButtonCopyEmails},
                                                      {FCheckMoveEmails, FButtonMoveEmails}};
  for (int i = 0; i < 4; ++i) {
    tasks->addWidget(rows[i].first, i, 0);
    tasks->addWidget(rows[i].second, i, 1);
  }
  tasks->setColumnStretch(0, 1);
  BoldGroupCaption(FGroupBox2);
  layout->addWidget(FGroupBox2);

  // Buttons.
  auto* buttons = new QHBoxLayout;
  FButtonSaveAs = new QPushButton(QStringLiteral("Save as job-template..."), this);
  Name(FButtonSaveAs, FButtonSaveAs->text(), QStringLiteral("ButtonSaveAs"));
  FButtonReset = new QPushButton(QStringLiteral("Reset"), this);
  Name(FButtonReset, FButtonReset->text(), QStringLiteral("ButtonReset"));
  FButtonStart = new QPushButton(QStringLiteral("START"), this);
  QFont bold = FButtonStart->font();
  bold.setBold(true);
  FButtonStart->setFont(bold);
  Name(FButtonStart, FButtonStart->text(), QStringLiteral("ButtonStart"));
  FButtonCancel = new QPushButton(QStringLiteral("Close"), this);
  Name(FButtonCancel, FButtonCancel->text(), QStringLiteral("ButtonCancel"));
  for (QPushButton* b : {FButtonSaveAs, FButtonReset, FButtonStart, FButtonCancel}) b->setAutoDefault(false);
  buttons->addWidget(FButtonSaveAs);
  buttons->addWidget(FButtonReset);
  buttons->addStretch();
  buttons->addWidget(FButtonStart);
  buttons->addWidget(FButtonCancel);
  layout->addLayout(buttons);

  // Status: folder, "%d / %d", action.
  FStatusBar = new QStatusBar(this);
  FStatusBar->setSizeGripEnabled(false);
  Name(FStatusBar, QStringLiteral("Status"), QStringLiteral("StatusBar"));
  const char* panels[3] = {"Folder", "Progress", "Action"};
  for (int i = 0; i < 3; ++i) {
    FStatusPanels[i] = new QLabel(FStatusBar);
    Name(FStatusPanels[i], QString::fromLatin1(panels[i]), QStringLiteral("StatusBarPanel%1").arg(i));
    FStatusBar->addWidget(FStatusPanels[i], i == 1 ? 0 : 1);
  }
  FStatusPanels[1]->setMinimumWidth(80);
  layout->addWidget(FStatusBar);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  // Handlers on clicks only, so filling the controls opens no editor.
  const auto guarded = [this](void (TFormMain::*handler)()) {
    return [this, handler] { TryOrShowError(this, [this, handler] { (this->*handler)(); }); };
  };
  connect(FLabelHelp, &QToolButton::clicked, this,
          [this] { FPopupMenuHelp->exec(FLabelHelp->mapToGlobal(FLabelHelp->rect().bottomLeft())); });
  connect(menHelp, &QAction::triggered, this,
          [this] { TryOrShowError(this, [this] { OpenHelpPage(this, QStringLiteral("index.htm")); }); });
  connect(menAbout, &QAction::triggered, this, [this] { ShowAbout(this); });
  connect(FComboJobDefNames, &QComboBox::activated, this, guarded(&TFormMain::ComboJobDefNamesClick));
  connect(FButtonDeleteJobDef, &QPushButton::clicked, this, guarded(&TFormMain::ButtonDeleteJobDefClick));
  connect(FRadioSelected, &QRadioButton::clicked, this, guarded(&TFormMain::UpdateEnabling));
  connect(FRadioFolder, &QRadioButton::clicked, this, guarded(&TFormMain::RadioFolderClick));
  connect(FButtonBrowseForOLFolder, &QPushButton::clicked, this, guarded(&TFormMain::ButtonBrowseForOLFolderClick));
  connect(FCheckSubFolders, &QCheckBox::clicked, this, guarded(&TFormMain::UpdateEnabling));
  const std::pair<QCheckBox*, void (TFormMain::*)()> editors[] = {{FCheckFilter, &TFormMain::EditFilter},
                                                                  {FCheckExportEmails, &TFormMain::EditExportEmails},
                                                                  {FCheckExportAtts, &TFormMain::EditExportAtts}};
  for (const auto& [check, edit] : editors) {
    connect(check, &QCheckBox::clicked, this, [this, check, edit, guarded] {
      UpdateEnabling();
      if (check->isChecked()) guarded(edit)();
    });
  }
  connect(FButtonFilter, &QPushButton::clicked, this, guarded(&TFormMain::EditFilter));
  connect(FButtonExportEmails, &QPushButton::clicked, this, guarded(&TFormMain::EditExportEmails));
  connect(FButtonExportAtts, &QPushButton::clicked, this, guarded(&TFormMain::EditExportAtts));
  for (bool move : {false, true}) {
    QCheckBox* check = move ? FCheckMoveEmails : FCheckCopyEmails;
    QPushButton* button = move ? FButtonMoveEmails : FButtonCopyEmails;
    const auto edit = [this, move] { TryOrShowError(this, [this, move] { EditCopyMove(move); }); };
    connect(check, &QCheckBox::clicked, this, [this, check, edit] {
      UpdateEnabling();
      if (check->isChecked()) edit();
    });
    connect(button, &QPushButton::clicked, this, edit);
  }
  connect(FButtonSaveAs, &QPushButton::clicked, this, guarded(&TFormMain::ButtonSaveAsClick));
  connect(FButtonReset, &QPushButton::clicked, this, guarded(&TFormMain::ButtonResetClick));
  connect(FButtonStart, &QPushButton::clicked, this, guarded(&TFormMain::ButtonStartClick));
  connect(FButtonCancel, &QPushButton::clicked, this, guarded(&TFormMain::ButtonCancelClick));
}

IRDOSession* TFormMain::Session() const { return FRDOSession ? FRDOSession->Intf() : nullptr; }

void TFormMain::Execute() {
  FInAction = false;
  FCancelPressed = false;
  FCurExplorerFolderEntryID.clear();
  FCurExplorerFolderStoreID.clear();
  // The explorer's folder only proposes a start for the picker: failures are ignored.
  try {
    QString eid, sid;
    if (FOutlook && Session() && GetExplorerFolderIDs(FOutlook, eid, sid) && IsMailFolderByID(Session(), eid, sid)) {
      FCurExplorerFolderEntryID = eid;
      FCurExplorerFolderStoreID = sid;
    }
  } catch (const std::exception&) {
  }
  try {
    FillJobDefNames();
  } catch (const std::exception&) {  // an unreadable template folder lists nothing
  }
  try {
    LoadJobDef(TOptions::GetLastUsedFilename(), false);
  } catch (const std::exception&) {  // a damaged last-used job gives an empty one
    TryOrShowError(this, [this] { LoadJobDef(QString(), false); });
  }
  SetInAction(false);
  FButtonDeleteJobDef->setEnabled(false);
  CenterOnOwner(this);
  exec();
}

void TFormMain::FillJobDefNames() {
  FComboJobDefNames->clear();
  QStringList globalNames, localNames;
  FOptions.ReadGlobalJobDefNames(globalNames);
  FOptions.ReadLocalJobDefNames(localNames);
  SortNames(globalNames);
  SortNames(localNames);
  FComboJobDefNames->addItems(globalNames);
  FGlobalJobDefCount = int(globalNames.size());
  if (!localNames.isEmpty()) {
    if (!globalNames.isEmpty()) FComboJobDefNames->addItem(QString());  // the separator
    FComboJobDefNames->addItems(localNames);
  }
  FComboJobDefNames->setCurrentIndex(-1);
}

void TFormMain::GetSelectedJobDef(QString& name, bool& isGlobal, QString& fileName) const {
  const int index = FComboJobDefNames->currentIndex();
  name = index < 0 ? QString() : FComboJobDefNames->itemText(index);
  isGlobal = !name.isEmpty() && index < FGlobalJobDefCount;
  fileName.clear();
  if (!name.isEmpty())
    fileName = TOptions::GetFilenameFromJobDefName(isGlobal ? FOptions.GlobalJobDefPath() : FOptions.LocalJobDefPath(),
                                                   name);
}

void TFormMain::LoadJobDef(const QString& fileName, bool deleteAllowed) {
  FCurJobDef.Clear();
  if (!fileName.isEmpty() && QFileInfo::exists(fileName)) {
    try {
      FCurJobDef.LoadFromFile(fileName);
    } catch (...) {
      FCurJobDef.Clear();
      JobDefToControls();
      UpdateEnabling();
      throw;
    }
  } else {
    deleteAllowed = false;
  }
  JobDefToControls();
  FButtonDeleteJobDef->setEnabled(deleteAllowed);
  UpdateEnabling();
}

void TFormMain::ComboJobDefNamesClick() {
  FNextSaveAsName.clear();
  QString name, fileName;
  bool isGlobal = false;
  GetSelectedJobDef(name, isGlobal, fileName);
  if (!isGlobal) FNextSaveAsName = name;
  try {
    LoadJobDef(fileName, !isGlobal);
  } catch (const std::exception&) {  // an unreadable template gives an empty job, without a message
    LoadJobDef(QString(), false);
  }
}

void TFormMain::ButtonDeleteJobDefClick() {
  QString name, fileName;
  bool isGlobal = false;
  GetSelectedJobDef(name, isGlobal, fileName);
  if (!isGlobal && !fileName.isEmpty()) {
    QFile::remove(fileName);  // a file that cannot be removed simply stays listed next time
    // Listed again, so no separator is left without local templates below it.
    FillJobDefNames();
    FComboJobDefNames->setCurrentIndex(-1);
  }
  LoadJobDef(QString(), false);
}

void TFormMain::JobDefToControls() {
  const TJobDef_SourceFilter& source = FCurJobDef.SourceFilter();
  FRadioSelected->setChecked(!source.ProcessFolder());
  FRadioFolder->setChecked(source.ProcessFolder());
  FEditOLFolderName->setText(Session() ? GetFolderPathByID(Session(), source.FolderEntryID(), source.FolderStoreID())
                                       : QString());
  FCheckSubFolders->setChecked(source.InclSubFolders());
  FCheckFilter->setChecked(FCurJobDef.UseEmailFilter());
  FCheckExportEmails->setChecked(FCurJobDef.ExportEmails());
  FCheckExportAtts->setChecked(FCurJobDef.ExportAtts());
  FCheckCopyEmails->setChecked(FCurJobDef.CopyEmails());
  FCheckMoveEmails->setChecked(FCurJobDef.MoveEmails());
}

void TFormMain::UpdateEnabling() {
  FButtonBrowseForOLFolder->setEnabled(FRadioFolder->isChecked());
  FCheckSubFolders->setEnabled(FRadioFolder->isChecked());
  FButtonFilter->setEnabled(FCheckFilter->isChecked());
  FButtonExportEmails->setEnabled(FCheckExportEmails->isChecked());
  FButtonExportAtts->setEnabled(FCheckExportAtts->isChecked());
  FButtonCopyEmails->setEnabled(FCheckCopyEmails->isChecked());
  FButtonMoveEmails->setEnabled(FCheckMoveEmails->isChecked());
}

void TFormMain::RadioFolderClick() {
  UpdateEnabling();
  if (!FRadioFolder->isChecked()) return;
  ButtonBrowseForOLFolderClick();
  if (FCurJobDef.SourceFilter().FolderEntryID().isEmpty()) FRadioSelected->setFocus();
}

void TFormMain::ButtonBrowseForOLFolderClick() {
  TJobDef_SourceFilter& source = FCurJobDef.SourceFilter();
  QString eid = source.FolderEntryID(), sid = source.FolderStoreID();
  if (eid.isEmpty()) {
    eid = FCurExplorerFolderEntryID;
    sid = FCurExplorerFolderStoreID;
  }
  if (!Session() || !PickOutlookFolder(this, QStringLiteral("Choose folder"), Session(), eid, sid)) return;
  source.SetFolderEntryID(eid);
  source.SetFolderStoreID(sid);
  FEditOLFolderName->setText(GetFolderPathByID(Session(), eid, sid));
}

void TFormMain::EditFilter() {
  TFormEditEmailFilter form(this);
  form.JobDef_EmailFilter1().Assign(FCurJobDef.EmailFilter1());
  form.JobDef_EmailFilter2().Assign(FCurJobDef.EmailFilter2());
  if (!form.Execute()) return;
  FCurJobDef.EmailFilter1().Assign(form.JobDef_EmailFilter1());
  FCurJobDef.EmailFilter2().Assign(form.JobDef_EmailFilter2());
}

void TFormMain::EditExportEmails() {
  TFormEditExportEmails form(this);
  form.JobDef_ExportEmails().Assign(FCurJobDef.JobDef_ExportEmails());
  if (form.Execute()) FCurJobDef.JobDef_ExportEmails().Assign(form.JobDef_ExportEmails());
}

void TFormMain::EditExportAtts() {
  TFormEditExportAtts form(this);
  form.JobDef_ExportAtts().Assign(FCurJobDef.JobDef_ExportAtts());
  if (form.Execute()) FCurJobDef.JobDef_ExportAtts().Assign(form.JobDef_ExportAtts());
}

void TFormMain::EditCopyMove(bool move) {
  TJobDef_CopyMove& part = move ? FCurJobDef.JobDef_Move() : FCurJobDef.JobDef_Copy();
  TFormEditCopyMoveEmails form(this, Session(), move);
  form.JobDef_CopyMove().Assign(part);
  if (form.Execute()) part.Assign(form.JobDef_CopyMove());
}

void TFormMain::ControlsToJobDef() {
  TJobDef_SourceFilter& source = FCurJobDef.SourceFilter();
  if (FRadioSelected->isChecked()) {
    source.SetProcessFolder(false);
    source.SetFolderEntryID(QString());
    source.SetFolderStoreID(QString());
    source.SetInclSubFolders(false);
  } else {
    source.SetProcessFolder(true);
    source.SetInclSubFolders(FCheckSubFolders->isChecked());
  }
  FCurJobDef.SetUseEmailFilter(FCheckFilter->isChecked());
  if (!FCurJobDef.UseEmailFilter()) {
    FCurJobDef.EmailFilter1().Clear();
    FCurJobDef.EmailFilter2().Clear();
  }
  FCurJobDef.SetExportEmails(FCheckExportEmails->isChecked());
  if (!FCurJobDef.ExportEmails()) FCurJobDef.JobDef_ExportEmails().Clear();
  FCurJobDef.SetExportAtts(FCheckExportAtts->isChecked());
  if (!FCurJobDef.ExportAtts()) FCurJobDef.JobDef_ExportAtts().Clear();
  FCurJobDef.SetCopyEmails(FCheckCopyEmails->isChecked());
  if (!FCurJobDef.CopyEmails()) FCurJobDef.JobDef_Copy().Clear();
  FCurJobDef.SetMoveEmails(FCheckMoveEmails->isChecked());
  if (!FCurJobDef.MoveEmails()) FCurJobDef.JobDef_Move().Clear();

  CheckJobDef_SourceFilter(source);
  if (FCurJobDef.UseEmailFilter()) {
    CheckJobDef_EmailFilter1(FCurJobDef.EmailFilter1());
    CheckJobDef_EmailFilter2(FCurJobDef.EmailFilter2());
  }
  if (FCurJobDef.ExportEmails()) CheckJobDef_ExportEmails(FCurJobDef.JobDef_ExportEmails());
  if (FCurJobDef.ExportAtts()) CheckJobDef_ExportAtts(FCurJobDef.JobDef_ExportAtts());
  if (FCurJobDef.CopyEmails()) CheckJobDef_Copy(FCurJobDef.JobDef_Copy());
  if (FCurJobDef.MoveEmails()) CheckJobDef_Move(FCurJobDef.JobDef_Move());
  if (!FCurJobDef.ExportEmails() && !FCurJobDef.ExportAtts() && !FCurJobDef.CopyEmails() && !FCurJobDef.MoveEmails())
    throw Exception(QStringLiteral("No task defined"));
}

void TFormMain::ButtonResetClick() {
  FNextSaveAsName.clear();
  FComboJobDefNames->setCurrentIndex(-1);
  LoadJobDef(QString(), false);
}

void TFormMain::ButtonSaveAsClick() {
  ControlsToJobDef();
  TFormEditJobDefName form(this);
  form.SetJobDefName(FNextSaveAsName);
  if (!form.Execute()) return;
  const QString name = form.JobDefName();
  const QString fileName = TOptions::GetFilenameFromJobDefName(FOptions.LocalJobDefPath(), name);
  if (QFileInfo::exists(fileName) &&
      !AskYesNo(this, QStringLiteral("File %1 already exists.\n\nOverwrite?").arg(fileName)))
    return;
  MakeFileDirectory(fileName);
  FCurJobDef.SaveToFile(fileName);
  FillJobDefNames();
  SelectLocalJobDef(name);
}

void TFormMain::SelectLocalJobDef(const QString& name) {
  int found = -1;
  for (int i = FComboJobDefNames->count() - 1; i >= FGlobalJobDefCount; --i) {
    const QString text = FComboJobDefNames->itemText(i);
    if (text.isEmpty()) break;  // the separator: the global templates follow
    if (SameTextIgnoringCase(text, name)) {
      found = i;
      break;
    }
  }
  FComboJobDefNames->setCurrentIndex(found);
  ComboJobDefNamesClick();
}

void TFormMain::ButtonStartClick() {
  ControlsToJobDef();
  const QString lastUsed = TOptions::GetLastUsedFilename();
  MakeFileDirectory(lastUsed);
  FCurJobDef.SaveToFile(lastUsed);

  SetInAction(true);
  TEmailProcessor processor;
  processor.SetOutlook(FOutlook);
  processor.SetRDOSession(Session());
  processor.Options().Assign(FOptions);
  processor.SetOnProcessing([this](TEmailProcessor*, const QString& folder, int items, int cur, const QString& action,
                                   bool& cancel) { ProcessingEvent(folder, items, cur, action, cancel); });
  QString exceptMsg;
  try {
    processor.ExecuteManual(FCurJobDef);
  } catch (const Exception& e) {
    exceptMsg = e.Message();
  } catch (...) {
    // Not an error of the system's own: the results still show, then it passes on.
    ShowResults(this, exceptMsg, processor.ManualResults().join(QLatin1Char('\n')), processor.MailErrors());
    SetInAction(false);
    throw;
  }
  ShowResults(this, exceptMsg, processor.ManualResults().join(QLatin1Char('\n')), processor.MailErrors());
  SetInAction(false);
  done(QDialog::Accepted);
}

void TFormMain::ProcessingEvent(const QString& outlookFolder, int itemsInFolder, int curItemNo, const QString& action,
                                bool& cancel) {
  FStatusPanels[0]->setText(outlookFolder);
  FStatusPanels[1]->setText(QStringLiteral("%1 / %2").arg(curItemNo).arg(itemsInFolder));
  FStatusPanels[2]->setText(action);
  QCoreApplication::processEvents();
  if (FCancelPressed) cancel = true;
}

void TFormMain::SetInAction(bool running) {
  FInAction = running;
  QWidget* const controls[] = {FComboJobDefNames, FButtonDeleteJobDef, FRadioSelected,    FRadioFolder,
                               FEditOLFolderName, FButtonBrowseForOLFolder, FCheckSubFolders, FCheckFilter,
                               FButtonFilter,     FCheckExportEmails, FButtonExportEmails, FCheckExportAtts,
                               FButtonExportAtts, FCheckCopyEmails,   FButtonCopyEmails,   FCheckMoveEmails,
                               FButtonMoveEmails, FButtonSaveAs,      FButtonStart,        FButtonReset,
                               FLabelHelp};
  for (QWidget* control : controls) control->setEnabled(!running);
  if (running) {
    FCancelPressed = false;
  } else {
    FButtonDeleteJobDef->setEnabled(false);
    UpdateEnabling();
  }
  const QString caption = running ? QStringLiteral("Cancel") : QStringLiteral("Close");
  FButtonCancel->setText(caption);
  FButtonCancel->setAccessibleName(caption);
  for (QLabel* panel : FStatusPanels) panel->clear();
}

void TFormMain::ButtonCancelClick() {
  if (FInAction)
    FCancelPressed = true;
  else
    done(QDialog::Rejected);
}

void TFormMain::reject() { ButtonCancelClick(); }

void TFormMain::done(int result) {
  if (FInAction) return;  // no closing while a run is in progress
  QDialog::done(result);
}

void TFormMain::closeEvent(QCloseEvent* event) {
  if (FInAction)
    event->ignore();
  else
    QDialog::closeEvent(event);
}
