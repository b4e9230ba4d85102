// The mail client's objects the system uses: the application, its "MAPI"
// namespace, the explorer with its current folder and selection, and items.
// Abstract: the desktop host supplies the real ones; programs without a
// desktop use THeadlessOutlookApplication.
#pragma once

#include "twktools/TWKtools.h"

#include <QString>
#include <memory>

// Object classes answered by TOutlookObject::Class.
enum : int { olFolder = 2, olMail = 43 };

// A folder or an item, called by member name as the client's objects are.
class TOutlookObject {
public:
  virtual ~TOutlookObject() = default;
  virtual int Class() = 0;
  virtual QString EntryID() = 0;
  virtual QString StoreID() = 0;                         // folders
  virtual std::shared_ptr<TOutlookObject> Parent() = 0;  // none when absent
  virtual QString MessageClass() = 0;                    // items
};

class TOutlookSelection {
public:
  virtual ~TOutlookSelection() = default;
  virtual int Count() = 0;
  virtual std::shared_ptr<TOutlookObject> Item(int index) = 0;  // from 1
};

class TOutlookExplorer {
public:
  virtual ~TOutlookExplorer() = default;
  virtual std::shared_ptr<TOutlookObject> CurrentFolder() = 0;  // none when no folder is shown
  virtual std::shared_ptr<TOutlookSelection> Selection() = 0;
};

class TOutlookNameSpace {
public:
  virtual ~TOutlookNameSpace() = default;
  // The logon the store component's session can share (borrowed).
  virtual IUnknown* MAPIOBJECT() = 0;
};

class TOutlookApplication {
public:
  virtual ~TOutlookApplication() = default;
  virtual std::shared_ptr<TOutlookNameSpace> GetNamespace(const QString& type) = 0;  // "MAPI"
  virtual QString Version() = 0;
  // The explorer window, or none.
  virtual std::shared_ptr<TOutlookExplorer> ActiveExplorer() = 0;
};
