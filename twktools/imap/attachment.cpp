#include "twktools/imap/attachment.h"

namespace twkimap {

namespace {

class TOutlineAttachment final : public twkmaildir::TComObject<IRDOAttachment> {
public:
  TOutlineAttachment(TwkPtr<TImapMessage> message, TwkPtr<IRDOAttachment> outline, int index)
      : FMessage(std::move(message)), FOutline(std::move(outline)), FIndex(index) {}

  int Type() override { return FOutline->Type(); }
  bool Hidden() override { return FOutline->Hidden(); }
  QString FileName() override { return FOutline->FileName(); }
  QString DisplayName() override {
    // An embedded message without a file name is named by its subject, which
    // the outline does not hold.
    const QString name = FOutline->FileName();
    return FIndex >= 0 && name.isEmpty() && FOutline->Type() == olEmbeddeditem ? Whole()->DisplayName()
                                                                                : FOutline->DisplayName();
  }
  QString MimeType() override { return FOutline->MimeType(); }
  QString ContentID() override { return FOutline->ContentID(); }
  std::int64_t Size() override { return Whole()->Size(); }
  int Position() override { return Whole()->Position(); }
  void SaveAsFile(const QString& path) override { Whole()->SaveAsFile(path); }
  QByteArray Data() override { return Whole()->Data(); }
  void Delete() override {
    Whole()->Delete();
    FMessage->Changed();
  }
  TwkPtr<IRDOMail> EmbeddedMsg() override { return Whole()->EmbeddedMsg(); }

private:
  // Index -1: the attachment is the whole message's own.
  IRDOAttachment* Whole() { return FIndex < 0 ? FOutline.get() : FMessage->WholeAttachment(FIndex); }

  TwkPtr<TImapMessage> FMessage;
  TwkPtr<IRDOAttachment> FOutline;
  int FIndex;
};

class TOutlineAttachments final : public twkmaildir::TComObject<IRDOAttachments> {
public:
  TOutlineAttachments(TwkPtr<TImapMessage> message, TwkPtr<IRDOAttachments> outline, bool whole)
      : FMessage(std::move(message)), FOutline(std::move(outline)), FWhole(whole) {}

  int Count() override { return FOutline->Count(); }
  TwkPtr<IRDOAttachment> Item(int index) override {
    return TwkPtr<IRDOAttachment>::Adopt(new TOutlineAttachment(FMessage, FOutline->Item(index), FWhole ? -1 : index - 1));
  }
  TwkPtr<IRDOAttachment> Add(const QString& sourcePath, int type, int position, const QString& displayName) override {
    TwkPtr<IRDOAttachment> added = FMessage->Whole()->Attachments()->Add(sourcePath, type, position, displayName);
    FMessage->Changed();
    return added;
  }

private:
  TwkPtr<TImapMessage> FMessage;
  TwkPtr<IRDOAttachments> FOutline;
  bool FWhole;
};

}  // namespace

TwkPtr<IRDOAttachments> NewOutlineAttachments(TwkPtr<TImapMessage> message, TwkPtr<IRDOAttachments> outline) {
  return TwkPtr<IRDOAttachments>::Adopt(new TOutlineAttachments(std::move(message), std::move(outline), false));
}

TwkPtr<IRDOAttachments> NewWholeAttachments(TwkPtr<TImapMessage> message, TwkPtr<IRDOAttachments> whole) {
  return TwkPtr<IRDOAttachments>::Adopt(new TOutlineAttachments(std::move(message), std::move(whole), true));
}

}  // namespace twkimap
