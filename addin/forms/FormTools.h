// Small helpers shared by the dialogs: names for assistive tools and tests,
// placement, the bold group captions.
#pragma once

#include <QString>
#include <functional>

class QGroupBox;
class QLabel;
class QPushButton;
class QToolButton;
class QWidget;

// objectName and accessible description := the control's name from the
// dialog's description ("ButtonStart"); accessible name := what the user
// reads (its caption, its label, or what a "..." button opens).
void Name(QWidget* control, const QString& accessibleName, const QString& controlName);
// A "..." button as narrow as its text; accessibleName says what it opens.
QPushButton* MakeEllipsisButton(QWidget* parent, const QString& accessibleName, const QString& controlName);
// Centres a window on its owner (on the screen without one); a window
// without a size of its own gets its layout's.
void CenterOnOwner(QWidget* window);
// The group's caption bold, its contents in the normal font: call after the
// group is filled.
void BoldGroupCaption(QGroupBox* group);
// A label for a control; the control is named by it.
QLabel* MakeLabel(QWidget* parent, const QString& text, QWidget* buddy, const QString& controlName);
// Runs a handler; an error that escapes it is shown in the error box (the
// event loop must never see an exception).
void TryOrShowError(QWidget* owner, const std::function<void()>& handler);
// The message of any error: Exception's own, else what() of the C++ error.
QString ErrorMessage(const std::exception& e);
// A tool button drawn as a link label ("Help", "Placeholders").
void SetLinkStyle(QToolButton* button);
