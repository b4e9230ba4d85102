#include "addin/forms/FrmAbout.h"

#include "addin/forms/DM.h"
#include "addin/forms/FormTools.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

TFormAbout::TFormAbout(QWidget* owner) : QDialog(owner) {
  setWindowTitle(QStringLiteral("About Tarnwick"));
  const QIcon icon = ProductIcon();
  setWindowIcon(icon);

  auto* image = new QLabel(this);
  image->setPixmap(icon.pixmap(64, 64));
  Name(image, QStringLiteral("Tarnwick"), QStringLiteral("ImageProduct"));
  auto* product = new QLabel(QStringLiteral("Tarnwick"), this);
  QFont font = product->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.5);
  product->setFont(font);
  auto* versionLabel = new QLabel(QStringLiteral("Version:"), this);
  auto* version = new QLabel(QString::fromLatin1(kTarnwickVersion), this);
  Name(version, QString::fromLatin1(kTarnwickVersion), QStringLiteral("LabelVersion"));
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setDefault(true);
  Name(close, QStringLiteral("Close"), QStringLiteral("ButtonClose"));
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  auto* grid = new QGridLayout(this);
  grid->addWidget(image, 0, 0, 2, 1, Qt::AlignTop);
  grid->addWidget(product, 0, 1, 1, 2);
  grid->addWidget(versionLabel, 1, 1);
  grid->addWidget(version, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(close);
  grid->addLayout(buttons, 2, 0, 1, 3);
  grid->setColumnStretch(2, 1);
  setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
}

int TFormAbout::Execute() {
  CenterOnOwner(this);
  return exec();
}

void ShowAbout(QWidget* owner) {
  TFormAbout form(owner);
  form.Execute();
}
