// Small helpers shared by the dialogs: names for assistive tools and tests,
// placement, the bold group captions.
#pragma once

#include <QString>

class QGroupBox;
class QWidget;

// objectName and accessible description := the control's name from the
// dialog's description ("ButtonStart"); accessible name := what the user
// reads (its caption, its label, or what a "..." button opens).
void Name(QWidget* control, const QString& accessibleName, const QString& controlName);
// Centres a window on its owner (on the screen without one).
void CenterOnOwner(QWidget* window);
// The group's caption bold, its contents in the normal font: call after the
// group is filled.
void BoldGroupCaption(QGroupBox* group);
