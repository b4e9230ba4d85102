#include "twktools/maildir/containers.h"

#include "twktools/maildir/tnef.h"
#include "twktools/maildir/uuencode.h"

#include <QMimeDatabase>

namespace twkmaildir {

namespace {

// A leaf made for a carried file: its name, its type from the name, its bytes.
GMimeObject* FilePart(const QString& name, const QByteArray& data, std::vector<TGPtr<GMimeObject>>& owned) {
  const QByteArray type = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension).name().toLatin1();
  const qsizetype slash = type.indexOf('/');
  TGPtr<GMimePart> part(slash > 0 ? g_mime_part_new_with_type(type.left(slash).constData(), type.mid(slash + 1).constData())
                                  : g_mime_part_new_with_type("application", "octet-stream"));
  g_mime_object_set_disposition(GMIME_OBJECT(part.get()), "attachment");
  if (!name.isEmpty()) g_mime_part_set_filename(part.get(), name.toUtf8().constData());
  TGPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(data.constData(), size_t(data.size())));
  TGPtr<GMimeDataWrapper> content(g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
  g_mime_part_set_content(part.get(), content.get());
  owned.push_back(TGPtr<GMimeObject>::Ref(GMIME_OBJECT(part.get())));
  return owned.back().get();
}

}  // namespace

void UnpackContainers(TMimeLayout& layout, std::vector<TGPtr<GMimeObject>>& owned) {
  std::vector<TAttachmentPart> attachments;
  for (const TAttachmentPart& a : layout.Attachments) {
    if (!a.Hidden && GMIME_IS_PART(a.Part) && IsTnefPart(MimeTypeOf(a.Part), DeclaredFileName(a.Part))) {
      if (std::optional<TTnefContent> tnef = ReadTnef(DecodedBytes(a.Part))) {
        for (const TTnefFile& f : tnef->Files)
          attachments.push_back({FilePart(f.Name, f.Data, owned), a.Parent, false, a.Part, f.Modified});
        if (layout.ContainerBody.isEmpty()) layout.ContainerBody = tnef->Body;
        continue;
      }
    }
    attachments.push_back(a);
  }
  for (GMimeObject* leaf : layout.Body) {
    if (!IsType(leaf, "text", "plain")) continue;
    const QByteArray text = DecodedBytes(leaf);
    if (!MayHoldUuencoded(text.constData(), text.size())) continue;
    TUuSplit split = SplitUuencoded(text);
    if (split.Files.empty()) continue;
    for (const TUuFile& f : split.Files) attachments.push_back({FilePart(f.Name, f.Data, owned), nullptr, false, leaf, 0});
    layout.TextRests.emplace_back(leaf, std::move(split.Rest));
  }
  layout.Attachments = std::move(attachments);
}

}  // namespace twkmaildir
