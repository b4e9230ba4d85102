#include "core/SendCapture.h"

#include "core/Exception.h"
#include "core/FilenameTools.h"
#include "core/LnkTools.h"
#include "twktools/TWKtools.h"

#include <QDir>
#include <QFileInfo>

#include <exception>

namespace {

// Only an absolute path names a file: a relative one would be read from
// wherever the sending program happens to run.
bool IsExistingFile(const QString& target) { return QDir::isAbsolutePath(target) && QFileInfo(target).isFile(); }

}  // namespace

bool TSendCapture::DoSendEvent(IRDOMail* mail) {
  if (!mail) return false;
  const TwkPtr<IRDOAttachments> attachments = mail->Attachments();
  if (!attachments) return false;
  bool result = false;
  // From the last to the first: an added file comes last and a deleted link
  // moves only the attachments already handled.
  for (int i = attachments->Count(); i >= 1; --i) {
    try {
      if (HandleAttachment(mail, i)) result = true;
    } catch (const EAbort&) {
      throw;
    } catch (const Exception&) {
      // One link that cannot be read or changed stays in the message as it
      // was; the e-mail is still sent with the others handled.
    } catch (const std::exception&) {
      // As above (allocation and library failures of this attachment).
    }
  }
  return result;
}

bool TSendCapture::HandleAttachment(IRDOMail* mail, int index) {
  const TwkPtr<IRDOAttachments> attachments = mail->Attachments();
  const TwkPtr<IRDOAttachment> att = attachments->Item(index);
  if (att->Hidden() || att->Type() != olByValue) return false;
  QString name;
  try {
    name = MakeValidFileName(att->FileName());
  } catch (const Exception&) {
    // A name that cannot be read is no link's name.
  }
  if (name.isEmpty() || !HasLinkExtension(name)) return false;
  const QString target = ReadLinkAttachmentTarget(att.get());
  if (target.isEmpty()) return false;
  if (IsExistingFile(target)) {
    const bool trusted = FLinkRoots.Covers(target);
    bool replace = trusted;
    if (FOnAskReplace) FOnAskReplace(*this, name, target, trusted, replace);
    if (!replace) return false;
    attachments->Add(target, olByValue, 0, QFileInfo(target).fileName());
    att->Delete();
    return true;
  }
  bool deleteLink = false;
  if (FOnDeleteLink) FOnDeleteLink(*this, name, target, deleteLink);
  if (!deleteLink) return false;
  att->Delete();
  return true;
}
