// The send capture: on an e-mail being sent, turns each link attachment back
// into the file it names, removes a link whose file is gone, or leaves it,
// as the two handlers answer.
#pragma once

#include "core/LinkRoots.h"

#include <QString>

#include <functional>

class IRDOMail;
class TRDOSession;
class TSendCapture;

// Asked before a link is replaced by its file. trusted: the file lies below
// a directory the export or the relocation wrote links for; a link that is
// not trusted may be forged and is replaced only on the user's own answer.
using TOnAskReplace = std::function<void(TSendCapture& sender, const QString& attFilename,
                                         const QString& orgFilename, bool trusted, bool& replace)>;
// Asked before a link whose file is missing is removed.
using TOnDeleteLink =
    std::function<void(TSendCapture& sender, const QString& attFilename, const QString& orgFilename, bool& deleteLink)>;

class TSendCapture {
public:
  TSendCapture() = default;

  // Borrowed, not owned. On Linux the item being sent already is the
  // store's mail object, so the capture needs the session for nothing more.
  TRDOSession* RDOSession() const { return FRDOSession; }
  void SetRDOSession(TRDOSession* v) { FRDOSession = v; }
  const TOnAskReplace& OnAskReplace() const { return FOnAskReplace; }
  void SetOnAskReplace(TOnAskReplace v) { FOnAskReplace = std::move(v); }
  const TOnDeleteLink& OnDeleteLink() const { return FOnDeleteLink; }
  void SetOnDeleteLink(TOnDeleteLink v) { FOnDeleteLink = std::move(v); }
  // The recorded link roots; the caller loads them.
  TLinkRoots& LinkRoots() { return FLinkRoots; }
  const TLinkRoots& LinkRoots() const { return FLinkRoots; }
  void SetLinkRoots(const TLinkRoots& v) { FLinkRoots = v; }

  // Works on the outgoing message itself (no Save). True when at least one
  // link was replaced or removed. Without handlers, a trusted link whose
  // file exists is replaced; every other link is kept. EAbort from a
  // handler ends the walk and passes; other errors of one attachment leave
  // that link as it was.
  bool DoSendEvent(IRDOMail* mail);

private:
  // True when the attachment at index was replaced or removed.
  bool HandleAttachment(IRDOMail* mail, int index);

  TRDOSession* FRDOSession = nullptr;
  TOnAskReplace FOnAskReplace;
  TOnDeleteLink FOnDeleteLink;
  TLinkRoots FLinkRoots;
};
