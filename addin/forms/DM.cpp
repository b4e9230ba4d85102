#include "addin/forms/DM.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {

// Rendered at the sizes menus, title bars and the About box ask for, so
// no image-format plugin is needed at run time.
QIcon IconFromSvg(const QString& resource) {
  QSvgRenderer renderer(resource);
  QIcon icon;
  if (!renderer.isValid()) return icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace

TTWK_DataModule::TTWK_DataModule() {
  Q_INIT_RESOURCE(forms);
  FImageList << IconFromSvg(QStringLiteral(":/tarnwick/tarnwick.svg"));
}

TTWK_DataModule& TTWK_DataModule::Instance() {
  static TTWK_DataModule instance;
  return instance;
}

QIcon ProductIcon() {
  const QList<QIcon>& list = TTWK_DataModule::Instance().ImageList();
  return list.isEmpty() ? QIcon() : list.first();
}
