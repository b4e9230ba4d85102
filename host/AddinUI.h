// Widgets built from an add-in's definitions: a ribbon tab (a page of
// groups with large buttons and menus) and a command bar (a tool bar).
// Every control's accessible name is its caption, its description its id.
#pragma once

#include "addin/hosting/AddinHosting.h"

#include <functional>

class QToolBar;
class QWidget;

using TClickHandler = std::function<void(const QString& id)>;
using TImageSource = std::function<QIcon(int index)>;

QWidget* BuildRibbonTab(const TAddinControl& tab, const TImageSource& images, const TClickHandler& click);
QToolBar* BuildCommandBar(const TAddinControl& bar, const TImageSource& images, const TClickHandler& click);
