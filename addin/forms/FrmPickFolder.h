// The store component's folder picker window ("Choose folder": the folder
// trees of the session's stores) and the directory chooser.
#pragma once

#include "twktools/TWKtools.h"

#include <QDialog>
#include <QHash>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class TFormPickFolder : public QDialog {
  Q_OBJECT

public:
  // session may be null: then only the store of the preselected folder is shown.
  TFormPickFolder(QWidget* owner, IRDOSession* session, const QString& caption);

  // Shows the trees with `selected` (may be null) chosen and visible; the
  // chosen folder after OK, none after Cancel.
  TwkPtr<IRDOFolder> Execute(IRDOFolder* selected);

  QTreeWidget* TreeFolders() const { return FTree; }

private:
  void Fill(IRDOFolder* selected);
  QTreeWidgetItem* AddFolder(QTreeWidgetItem* parent, IRDOFolder* folder, const QString& text);

  IRDOSession* FSession;  // borrowed
  QTreeWidget* FTree;
  QPushButton* FButtonOK;
  QHash<const QTreeWidgetItem*, TwkPtr<IRDOFolder>> FFolders;  // each item's folder
};

// The value for IRDOSession::SetFolderPicker: opens TFormPickFolder owned by
// the window the caller passes (a QWidget*). The session is borrowed and
// must outlive the picker (the session holds it).
TFolderPicker MakeFolderPicker(IRDOSession* session = nullptr);

// The desktop's directory chooser with `title` as its caption, starting at
// path; true and path replaced when a directory was chosen.
bool BrowseForFolder(QWidget* owner, const QString& title, QString& path);
