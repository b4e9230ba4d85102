// The Outlook store read from a damaged file: a clear error or a store whose
// every folder, item, attachment and attached item can be walked and turned
// into MIME; never a crash, a leak or a hang. The input is a list of byte
// patches (offset, value) laid over a public sample file (TWK_PST_SAMPLES,
// else the samples' cache), so the damage reaches deep into real structures;
// an input that begins with the file header, or any input without a sample,
// is the file itself.
#include "fuzz/FuzzSupport.h"
#include "twktools/TWKerrors.h"
#include "twktools/pst/store.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <cstring>

namespace {

QByteArray LoadSample() {
  QString dir = qEnvironmentVariable("TWK_PST_SAMPLES");
  if (dir.isEmpty()) {
    const QString cache = qEnvironmentVariable("XDG_CACHE_HOME", QDir::homePath() + QStringLiteral("/.cache"));
    dir = cache + QStringLiteral("/tarnwick-testdata/pst-extractor-1.12.0");
  }
  QFile f(dir + QStringLiteral("/enron.pst"));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Reads everything of one item the engine may ask for.
void WalkMail(IRDOMail* mail, int depth) {
  mail->Subject();
  mail->Sender()->Address();
  mail->SentOnBehalfOf()->Name();
  mail->ReceivedTime();
  const TwkPtr<IRDORecipients> recipients = mail->Recipients();
  for (int i = 1; i <= recipients->Count(); ++i) recipients->Item(i)->Address();
  mail->Body();
  mail->HTMLBody();
  const TwkPtr<IRDOAttachments> atts = mail->Attachments();
  for (int i = 1; i <= atts->Count(); ++i) {
    const TwkPtr<IRDOAttachment> a = atts->Item(i);
    a->FileName();
    try {
      a->Data();
      if (const TwkPtr<IRDOMail> inner = a->EmbeddedMsg(); inner && depth < 3) WalkMail(inner.get(), depth + 1);
    } catch (const EComError&) {
    }
  }
  mail->MimeContent();
}

void WalkFolder(IRDOFolder* folder, int depth) {
  folder->FolderPath();
  // A few items a folder keep a run fast; the damage decides which part of the file they lie in.
  const TwkPtr<IRDOItems> items = folder->Items();
  for (int i = 1; i <= items->Count() && i <= 4; ++i) {
    try {
      WalkMail(items->Item(i).get(), 0);
    } catch (const EComError&) {
    }
  }
  const TwkPtr<IRDOFolders> subs = folder->Folders();
  for (int i = 1; i <= subs->Count() && depth < 16; ++i) WalkFolder(subs->Item(i).get(), depth + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static const QByteArray sample = LoadSample();
  QByteArray file;
  if (sample.isEmpty() || (size >= 4 && std::memcmp(data, "!BDN", 4) == 0)) {
    file = twkfuzz::Bytes(data, size);
  } else {
    // Five bytes a patch: the offset (big-endian, wrapped into the file), the new byte.
    file = sample;
    for (size_t at = 0; at + 5 <= size; at += 5)
      file[qsizetype(qFromBigEndian<std::uint32_t>(data + at) % std::uint32_t(file.size()))] = char(data[at + 4]);
  }
  twksession::TStoreConfig config;
  config.Type = twksession::TStoreType::Pst;
  config.Path = twkfuzz::WriteScratch(QStringLiteral("fuzz.pst"), reinterpret_cast<const std::uint8_t*>(file.constData()),
                                      size_t(file.size()));
  try {
    const TwkPtr<twkpst::TPstStore> store = twkpst::TPstStore::Open(config);
    WalkFolder(store->RootFolder().get(), 0);
  } catch (const EComError& e) {
    twkfuzz::Require(!e.Message().isEmpty(), "an error says what is wrong");
  }
  return 0;
}
