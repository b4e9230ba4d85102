#include "addin/forms/FrmRelocate.h"

#include "addin/forms/FormTools.h"
#include "addin/forms/FrmPickFolder.h"
#include "core/Exception.h"
#include "core/FilenameTools.h"
#include "core/ReLocator.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFormRelocate::TFormRelocate(QWidget* owner)
    : TFormLinkTask(
          owner, QStringLiteral("Relocate links - Tarnwick"),
          QStringLiteral(
              "If you have exported attachments by replacing them with a link, and if you later moved a directory, "
              "containing such attachments, to another location, then the attachments will not be found "
              "automatically anymore.\n\nWith \"Relocate links\" you can update the links inside the emails, after "
              "you moved the attachments to another location.\n\nThe program checks each email in the specified "
              "Outlook folder for the presence of such attached links, and replaces the links pointing to the "
              "\"original\" directory, if the filename could not be found in the \"original\" directory, but could "
              "be found in the corresponding \"new\" directory."),
          QStringLiteral("relocate.htm")) {
  auto* grid = new QGridLayout;
  const struct {
    const char* Caption;
    const char* Edit;
    const char* Button;
    const char* Opens;
    QLineEdit** Field;
  } rows[] = {{"Original directory:", "EditOrgPath", "ButtonBrowseForOrgPath", "Choose original directory", &FEditOrgPath},
              {"has been moved to:", "EditNewPath", "ButtonBrowseForNewPath", "Choose new directory", &FEditNewPath}};
  int row = 0;
  for (const auto& r : rows) {
    QLineEdit* edit = *r.Field = new QLineEdit(this);
    Name(edit, QString(), QString::fromLatin1(r.Edit));
    QPushButton* browse = MakeEllipsisButton(this, QString::fromLatin1(r.Opens), QString::fromLatin1(r.Button));
    connect(browse, &QPushButton::clicked, this, [this, edit] {
      QString path = TrimStr(edit->text());
      if (BrowseForFolder(this, QStringLiteral("Choose directory"), path)) edit->setText(path);
    });
    grid->addWidget(MakeLabel(this, QString::fromLatin1(r.Caption), edit, QString()), row++, 0, 1, 2);
    grid->addWidget(edit, row, 0);
    grid->addWidget(browse, row++, 1);
    FRunningDisabled << edit << browse;
  }
  Body()->addLayout(grid);
  FinishLayout();
}

void TFormRelocate::CheckInput() {
  try {
    FOrgPath = NormaliseOrgPath(FEditOrgPath->text());
  } catch (const Exception& e) {
    Fail(FEditOrgPath, e.Message());
  }
  FEditOrgPath->setText(FOrgPath);
  try {
    FNewPath = NormaliseNewPath(FEditNewPath->text());
  } catch (const Exception& e) {
    Fail(FEditNewPath, e.Message());
  }
  FEditNewPath->setText(FNewPath);
}

QString TFormRelocate::Question() const { return RelocateQuestion(FOrgPath, FNewPath); }

std::unique_ptr<TLinkWalker> TFormRelocate::MakeEngine() const {
  auto engine = std::make_unique<TReLocator>();
  engine->SetOrgPath(FOrgPath);
  engine->SetNewPath(FNewPath);
  return engine;
}
