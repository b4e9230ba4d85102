// Helpers for the dialogs' tests: answering modal windows as they open,
// recording message boxes, catching help pages, and a real store (a copy of
// the sample Maildir) behind a real session of the component.
#pragma once

#include "core/Outlook.h"
#include "core/RDOSession.h"
#include "core/uRedemptionLoader.h"
#include "tests/MaildirFixture.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

class QTimer;

// The control named name (its control name) inside root; fails the test
// when there is none.
template <class T>
T* Control(QWidget* root, const QString& name) {
  T* c = root->findChild<T*>(name);
  EXPECT_NE(c, nullptr) << "no control " << name.toStdString();
  return c;
}

// Steps for modal windows: each step waits for a new modal window of the
// given class to become active, then acts on it (and usually closes it).
// Windows still open when the steps time out are rejected and the test fails.
class TModalSteps : public QObject {
public:
  TModalSteps();
  ~TModalSteps() override;
  void Add(const char* className, std::function<void(QWidget*)> step);
  bool Done() const { return FSteps.empty(); }

private:
  void Poll();
  struct TStep {
    QByteArray ClassName;
    std::function<void(QWidget*)> Act;
  };
  std::deque<TStep> FSteps;
  QList<QPointer<QWidget>> FHandled;
  QTimer* FTimer;
  int FTicks = 0;
};

// Message boxes answered without a window: each box is recorded; questions
// get the queued answers (No when none is left).
class TMsgBoxes {
public:
  TMsgBoxes();
  ~TMsgBoxes();
  struct TBox {
    bool Question;
    QString Text;
    QWidget* Focus;  // the focus widget of the owner's window while the box is up
  };
  QList<TBox> Boxes;
  std::deque<bool> Answers;
  QStringList Texts() const;
};

// Catches what the desktop is asked to open.
class TUrlCatcher : public QObject {
  Q_OBJECT

public:
  TUrlCatcher();
  ~TUrlCatcher() override;
  QList<QUrl> Opened;

public Q_SLOTS:
  void Open(const QUrl& url);
};

// The mail window's part that cannot run here: an explorer showing one
// folder of the store with some of its e-mails selected.
class TFakeOutlook final : public TOutlookApplication {
public:
  // folder: the folder shown; selected: its e-mails that are selected.
  TFakeOutlook(IRDOFolder* folder, const QList<TwkPtr<IRDOMail>>& selected);
  std::shared_ptr<TOutlookNameSpace> GetNamespace(const QString&) override { return nullptr; }
  QString Version() override { return QStringLiteral("16.0.0.0"); }
  std::shared_ptr<TOutlookExplorer> ActiveExplorer() override { return FExplorer; }

private:
  std::shared_ptr<TOutlookExplorer> FExplorer;
};

// A copy of examples/sample-store as the user's store, logged on.
class TFormsStore {
public:
  TFormsStore();
  QString Root() const;  // the Maildir directory
  IRDOSession* Session() const { return FSession.Intf(); }
  TRDOSession& RDOSession() { return FSession; }
  TIsolatedUser& User() { return FUser; }
  const TScratchDir& Scratch() const { return FScratch; }
  // The folder with this display path below the store ("Inbox\\Projects").
  TwkPtr<IRDOFolder> Folder(const QString& path) const;
  QString StorePath(const QString& path) const;  // "\\\\<store>\\" + path

private:
  TIsolatedUser FUser;
  TScratchDir FScratch;
  TRedemptionLoader FLoader;
  TRDOSession FSession;
};
