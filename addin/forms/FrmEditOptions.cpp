#include "addin/forms/FrmEditOptions.h"

#include "addin/forms/DM.h"
#include "addin/forms/FormTools.h"
#include "core/FilenameTools.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

QString AbsoluteDirectory(const QString& path) {
  if (path == QLatin1String("~")) return QDir::homePath();
  if (path.startsWith(QLatin1String("~/"))) return QDir::cleanPath(QDir::homePath() + path.mid(1));
  if (QDir::isAbsolutePath(path)) return path;
  return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

TFormEditOptions::TFormEditOptions(QWidget* owner)
    : TFormEditBase(owner, QStringLiteral("Tarnwick - Options"), QStringLiteral("options.htm")) {
  setWindowIcon(ProductIcon());
  QGroupBox* templates = AddGroup(QStringLiteral(" Additional job-templates "), QStringLiteral("GroupBox1"));
  auto* grid = new QGridLayout(templates);
  FEditGlobalJobPath = new QLineEdit(templates);
  Name(FEditGlobalJobPath, QString(), QStringLiteral("EditGlobalJobPath"));
  grid->addWidget(MakeLabel(templates, QStringLiteral("Directory containing additional job-templates:"),
                            FEditGlobalJobPath, QString()),
                  0, 0, 1, 2);
  grid->addWidget(FEditGlobalJobPath, 1, 0);
  grid->addWidget(MakeBrowseButton(templates, FEditGlobalJobPath, QStringLiteral("Choose template directory"),
                                   QStringLiteral("ButtonBrowseForGlobalJobPath")),
                  1, 1);

  QGroupBox* sending = AddGroup(QStringLiteral(" On sending emails "), QStringLiteral("GroupBox2"));
  auto* sendGrid = new QGridLayout(sending);
  FComboSendOption = new QComboBox(sending);
  // The list position is the stored value (soNever, soAsk, soAlways).
  FComboSendOption->addItems({QStringLiteral("Do not replace the attached link with the file"),
                              QStringLiteral("Ask for replace"),
                              QStringLiteral("Always replace the attached link with the file")});
  Name(FComboSendOption, QString(), QStringLiteral("ComboSendOption"));
  sendGrid->addWidget(MakeLabel(sending, QStringLiteral("On sending emails with attached links (.twk):"),
                                FComboSendOption, QString()),
                      0, 0);
  sendGrid->addWidget(FComboSendOption, 1, 0);
  AddButtons();
  resize(460, sizeHint().height());
}

void TFormEditOptions::PartToControls() {
  FEditGlobalJobPath->setText(FOptions.GlobalJobDefPath());
  FComboSendOption->setCurrentIndex(int(FOptions.SendOptions()));
}

bool TFormEditOptions::ControlsToPart() {
  QString path = TrimStr(FEditGlobalJobPath->text());
  if (!path.isEmpty()) {
    path = AbsoluteDirectory(path);
    FEditGlobalJobPath->setText(path);
    if (!EnsureDirectoryExists(FEditGlobalJobPath, path)) return false;
  }
  FOptions.SetGlobalJobDefPath(path);
  FOptions.SetSendOptions(TSendOptions(FComboSendOption->currentIndex()));
  return true;
}
