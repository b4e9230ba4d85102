#include "addin/forms/FormTools.h"

#include "addin/forms/MsgBox.h"
#include "core/Exception.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QWidget>

void Name(QWidget* control, const QString& accessibleName, const QString& controlName) {
  control->setObjectName(controlName);
  control->setAccessibleName(accessibleName);
  control->setAccessibleDescription(controlName);
}

QPushButton* MakeEllipsisButton(QWidget* parent, const QString& accessibleName, const QString& controlName) {
  auto* button = new QPushButton(QStringLiteral("..."), parent);
  button->setAutoDefault(false);
  button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
  Name(button, accessibleName, controlName);
  return button;
}

void CenterOnOwner(QWidget* window) {
  if (!window->testAttribute(Qt::WA_Resized)) window->adjustSize();
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
  // setBold marks the weight as set, so the children do not inherit the group's.
  QFont normal = group->font();
  normal.setBold(false);
  QFont bold = normal;
  bold.setBold(true);
  group->setFont(bold);
  // A widget font propagates to the children; they keep the normal one.
  for (QWidget* child : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) child->setFont(normal);
}

QLabel* MakeLabel(QWidget* parent, const QString& text, QWidget* buddy, const QString& controlName) {
  auto* label = new QLabel(text, parent);
  if (!controlName.isEmpty()) Name(label, text, controlName);
  if (buddy) {
    label->setBuddy(buddy);
    buddy->setAccessibleName(text);
  }
  return label;
}

QString ErrorMessage(const std::exception& e) {
  if (const auto* ex = dynamic_cast<const Exception*>(&e)) return ex->Message();
  return QString::fromLocal8Bit(e.what());
}

void TryOrShowError(QWidget* owner, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowError(owner, ErrorMessage(e));
  }
}

void SetLinkStyle(QToolButton* button) {
  button->setAutoRaise(true);
  button->setCursor(Qt::PointingHandCursor);
  button->setStyleSheet(
      QStringLiteral("QToolButton { color: palette(link); text-decoration: underline; border: none; }"));
}
