#include "host/AddinUI.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

void Name(QWidget* w, const TAddinControl& c) {
  w->setAccessibleName(c.Caption);
  w->setAccessibleDescription(c.Id);
  w->setObjectName(c.Id);
}

QAction* MenuAction(QMenu* menu, const TAddinControl& c, const TImageSource& images, const TClickHandler& click) {
  QAction* action = menu->addAction(c.Caption);
  action->setObjectName(c.Id);
  action->setEnabled(c.Enabled);
  if (c.ImageIndex >= 0) action->setIcon(images(c.ImageIndex));
  const QString id = c.Id;
  QObject::connect(action, &QAction::triggered, menu, [click, id] { click(id); });
  return action;
}

QMenu* BuildMenu(QWidget* owner, const TAddinControl& c, const TImageSource& images, const TClickHandler& click) {
  auto* menu = new QMenu(c.Caption, owner);
  menu->setAccessibleName(c.Caption);
  for (const TAddinControl& child : c.Children) {
    if (child.Kind == TAddinControl::ckMenuSeparator) {
      menu->addSection(child.Caption);
      continue;
    }
    if (child.BeginGroup) menu->addSeparator();
    MenuAction(menu, child, images, click);
  }
  return menu;
}

QToolButton* RibbonButton(QWidget* owner, const TAddinControl& c, const TImageSource& images, const TClickHandler& click) {
  auto* button = new QToolButton(owner);
  Name(button, c);
  button->setText(c.Caption);
  button->setEnabled(c.Enabled);
  button->setToolTip(c.SuperTip.isEmpty() ? c.ScreenTip : QStringLiteral("<b>%1</b><br>%2").arg(c.ScreenTip, c.SuperTip));
  if (c.ImageIndex >= 0) button->setIcon(images(c.ImageIndex));
  button->setToolButtonStyle(c.Large ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonTextBesideIcon);
  if (c.Large) button->setIconSize(QSize(32, 32));
  button->setAutoRaise(true);
  if (c.Kind == TAddinControl::ckMenu) {
    button->setMenu(BuildMenu(button, c, images, click));
    button->setPopupMode(QToolButton::InstantPopup);
  } else {
    const QString id = c.Id;
    QObject::connect(button, &QToolButton::clicked, button, [click, id] { click(id); });
  }
  return button;
}

void AddControls(QWidget* owner, QBoxLayout* layout, const TAddinControl& c, const TImageSource& images,
                 const TClickHandler& click) {
  switch (c.Kind) {
    case TAddinControl::ckGroup: {
      auto* group = new QGroupBox(c.Caption, owner);
      Name(group, c);
      auto* inner = new QHBoxLayout(group);
      for (const TAddinControl& child : c.Children) AddControls(group, inner, child, images, click);
      layout->addWidget(group);
      break;
    }
    case TAddinControl::ckBox: {
      // The ribbon's box lines its controls up side by side.
      auto* inner = new QHBoxLayout;
      for (const TAddinControl& child : c.Children) AddControls(owner, inner, child, images, click);
      layout->addLayout(inner);
      break;
    }
    case TAddinControl::ckButton:
    case TAddinControl::ckMenu:
      layout->addWidget(RibbonButton(owner, c, images, click));
      break;
    default:
      break;
  }
}

}  // namespace

QWidget* BuildRibbonTab(const TAddinControl& tab, const TImageSource& images, const TClickHandler& click) {
  auto* page = new QWidget;
  Name(page, tab);
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(4, 2, 4, 2);
  for (const TAddinControl& child : tab.Children) AddControls(page, layout, child, images, click);
  layout->addStretch(1);
  return page;
}

QToolBar* BuildCommandBar(const TAddinControl& bar, const TImageSource& images, const TClickHandler& click) {
  auto* toolBar = new QToolBar(bar.Caption);
  toolBar->setObjectName(bar.Caption);
  toolBar->setAccessibleName(bar.Caption);
  // Not customizable: the user cannot move or hide it.
  toolBar->setMovable(false);
  toolBar->toggleViewAction()->setEnabled(false);
  toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  for (const TAddinControl& c : bar.Children) {
    if (c.BeginGroup) toolBar->addSeparator();
    if (c.Kind == TAddinControl::ckPopup) {
      auto* button = new QToolButton(toolBar);
      Name(button, c);
      button->setText(c.Caption);
      button->setMenu(BuildMenu(button, c, images, click));
      button->setPopupMode(QToolButton::InstantPopup);
      toolBar->addWidget(button);
      continue;
    }
    QAction* action = toolBar->addAction(c.Caption);
    action->setObjectName(c.Id);
    action->setEnabled(c.Enabled);
    if (c.ImageIndex >= 0) action->setIcon(images(c.ImageIndex));
    const QString id = c.Id;
    QObject::connect(action, &QAction::triggered, toolBar, [click, id] { click(id); });
    if (QWidget* w = toolBar->widgetForAction(action)) Name(w, c);
  }
  return toolBar;
}
