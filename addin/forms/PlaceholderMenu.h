// The "Placeholders" link of the editors with a mask: a pop-up menu below it
// whose entries insert their placeholder at the caret of the mask edit.
#pragma once

#include <QToolButton>

class QLineEdit;
class QMenu;

class TPlaceholderButton : public QToolButton {
  Q_OBJECT

public:
  // attachments: the attachment editor's menu, with "Attachment filename".
  TPlaceholderButton(QWidget* parent, QLineEdit* maskEdit, bool attachments);
  QMenu* PopupMenu() const { return FMenu; }
  // Opens the menu below the button (returns when it closes).
  void Popup();
  // What choosing the entry with this caption does: its code at the caret;
  // an edit without the focus gets it first, with the caret at the end.
  void InsertEntry(const QString& caption);

private:
  QLineEdit* FEdit;
  QMenu* FMenu;
};

// The code an entry inserts: "[OR]" of "[OR] - Outlook folder ...", "\" of "\\".
QString PlaceholderCode(const QString& caption);
