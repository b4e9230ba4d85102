#include "addin/forms/FormTools.h"

#include <QGroupBox>
#include <QScreen>
#include <QWidget>

void Name(QWidget* control, const QString& accessibleName, const QString& controlName) {
  control->setObjectName(controlName);
  control->setAccessibleName(accessibleName);
  control->setAccessibleDescription(controlName);
}

void CenterOnOwner(QWidget* window) {
  window->adjustSize();
  const QWidget* owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
  QRect area;
  if (owner && owner->isVisible())
    area = owner->frameGeometry();
  else if (const QScreen* screen = window->screen())
    area = screen->availableGeometry();
  else
    return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(area.center());
  window->move(frame.topLeft());
}

void BoldGroupCaption(QGroupBox* group) {
  const QFont normal = group->font();
  QFont bold = normal;
  bold.setBold(true);
  group->setFont(bold);
  // A widget font propagates to the children; they keep the normal one.
  for (QWidget* child : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) child->setFont(normal);
}
