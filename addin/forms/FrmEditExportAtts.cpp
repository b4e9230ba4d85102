#include "addin/forms/FrmEditExportAtts.h"

#include "addin/forms/FormTools.h"
#include "core/CheckJobDef.h"
#include "core/FilenameTools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

TFormEditExportAtts::TFormEditExportAtts(QWidget* owner)
    : TFormEditBase(owner, QStringLiteral("Export attachments"), QStringLiteral("exportatts.htm")) {
  QGroupBox* dest = AddGroup(QStringLiteral(" Destination directory "), QStringLiteral("GroupBox1"));
  auto* grid = new QGridLayout(dest);
  FEditDestPath = AddDestPath(dest, grid, 0, QStringLiteral("Save attachments in the following disk directory:"));
  FEditSubFolderMask =
      AddMask(dest, grid, 2, QStringLiteral("Mask for auto-creation of subdirectories and filename:"), true);
  FComboExistMode = AddExistMode(dest, grid, 4);

  QGroupBox* which = AddGroup(QStringLiteral(" Attachments to export "), QStringLiteral("GroupBox2"));
  auto* lists = new QGridLayout(which);
  FMemoAttIncludeList = MakeMemo(which, QString(), QStringLiteral("MemoAttIncludeList"));
  lists->addWidget(MakeLabel(which, QStringLiteral("Save attachments like:"), FMemoAttIncludeList, QString()), 0, 0);
  lists->addWidget(FMemoAttIncludeList, 1, 0);
  FMemoAttExcludeList = MakeMemo(which, QString(), QStringLiteral("MemoAttExcludeList"));
  lists->addWidget(MakeLabel(which, QStringLiteral("but not:"), FMemoAttExcludeList, QString()), 0, 1);
  lists->addWidget(FMemoAttExcludeList, 1, 1);
  FCheckSize = new QCheckBox(QStringLiteral("Large attachments only:"), which);
  Name(FCheckSize, FCheckSize->text(), QStringLiteral("CheckSize"));
  FEditSize = new QSpinBox(which);
  FEditSize->setRange(0, 10000);
  Name(FEditSize, QStringLiteral("KB"), QStringLiteral("EditSize"));
  auto* size = new QHBoxLayout;
  size->addWidget(FCheckSize);
  size->addWidget(FEditSize);
  size->addWidget(new QLabel(QStringLiteral("KB"), which));
  size->addStretch();
  lists->addLayout(size, 2, 0, 1, 2);
  FCheckHiddenAlso = new QCheckBox(QStringLiteral("Save embedded attachments (e.g. images in the HTML-body)"), which);
  Name(FCheckHiddenAlso, FCheckHiddenAlso->text(), QStringLiteral("CheckHiddenAlso"));
  lists->addWidget(FCheckHiddenAlso, 3, 0, 1, 2);

  QGroupBox* options = AddGroup(QStringLiteral(" Options "), QStringLiteral("GroupBox3"));
  auto* opt = new QGridLayout(options);
  FCheckRecurseMSG = new QCheckBox(QStringLiteral("Inspect attached emails recursively (attached .msg-files)"), options);
  Name(FCheckRecurseMSG, FCheckRecurseMSG->text(), QStringLiteral("CheckRecurseMSG"));
  opt->addWidget(FCheckRecurseMSG, 0, 0, 1, 2);
  FComboShortcutMode = new QComboBox(options);
  FComboShortcutMode->addItems({QStringLiteral("Nothing"),
                                QStringLiteral("Replace the attachment with a link (.twk) to the saved file"),
                                QStringLiteral("Delete the attachment")});
  Name(FComboShortcutMode, QString(), QStringLiteral("ComboShortcutMode"));
  opt->addWidget(MakeLabel(options, QStringLiteral("After saving an attachment:"), FComboShortcutMode, QString()), 1, 0);
  opt->addWidget(FComboShortcutMode, 1, 1);

  connect(FCheckSize, &QCheckBox::toggled, FEditSize, &QWidget::setEnabled);
  AddButtons();
  resize(560, sizeHint().height());
}

void TFormEditExportAtts::PartToControls() {
  const TJobDef_ExportAtts& d = FJobDef_ExportAtts;
  FEditDestPath->setText(d.DestFolder());
  FEditSubFolderMask->setText(d.SubFolderMask());
  FComboExistMode->setCurrentIndex(d.ExistMode() == emOverwrite ? 1 : 0);
  SetMemoLines(FMemoAttIncludeList, d.AttIncludeList());
  SetMemoLines(FMemoAttExcludeList, d.AttExcludeList());
  FCheckSize->setChecked(d.CheckAttSize());
  FEditSize->setValue(d.AttMinSizeKB());
  FEditSize->setEnabled(d.CheckAttSize());
  FCheckHiddenAlso->setChecked(d.HiddenAlso());
  FCheckRecurseMSG->setChecked(d.RecurseMsg());
  FComboShortcutMode->setCurrentIndex(d.ShortcutMode() >= smNothing && d.ShortcutMode() <= smRemove
                                          ? int(d.ShortcutMode())
                                          : int(smNothing));
}

bool TFormEditExportAtts::ControlsToPart() {
  TJobDef_ExportAtts& d = FJobDef_ExportAtts;
  d.Clear();
  d.SetDestFolder(TrimStr(FEditDestPath->text()));
  d.SetSubFolderMask(TrimStr(FEditSubFolderMask->text()));
  d.SetExistMode(FComboExistMode->currentIndex() == 1 ? emOverwrite : emSuffix);
  d.SetAttIncludeList(MemoLines(FMemoAttIncludeList));
  d.SetAttExcludeList(MemoLines(FMemoAttExcludeList));
  d.SetCheckAttSize(FCheckSize->isChecked());
  if (d.CheckAttSize()) d.SetAttMinSizeKB(FEditSize->value());
  d.SetHiddenAlso(FCheckHiddenAlso->isChecked());
  d.SetRecurseMsg(FCheckRecurseMSG->isChecked());
  d.SetShortcutMode(TShortcutMode(FComboShortcutMode->currentIndex()));

  if (d.DestFolder().isEmpty()) Fail(FEditDestPath, QStringLiteral("Destination directory not specified"));
  if (d.SubFolderMask().isEmpty()) Fail(FEditSubFolderMask, QStringLiteral("Mask not specified"));
  if (!IsValidMask(d.SubFolderMask(), true)) Fail(FEditSubFolderMask, QStringLiteral("Mask is invalid"));
  QString destFolder = d.DestFolder();
  if (!AcceptDirectory(FEditDestPath, destFolder)) return false;
  d.SetDestFolder(destFolder);
  return true;
}
