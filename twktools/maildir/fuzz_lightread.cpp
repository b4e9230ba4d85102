// The light reader against GMime's full parse on any bytes: when the light
// reader answers a message, every field a walk reads is the same as from
// the full parse; otherwise it declines and the full parse answers.
#include "fuzz/FuzzSupport.h"
#include "tests/MailWalkFields.h"
#include "twktools/maildir/Backend.h"
#include "twktools/maildir/lightread.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const QByteArray bytes = twkfuzz::Bytes(data, size);
  if (!twkmaildir::ReadLight(bytes.constData(), bytes.size())) {
    // Declined: the full parse alone must still read it.
    WalkFields(twkmaildir::OpenLooseMessage(bytes, QString()).get());
    return 0;
  }
  const QString light = WalkFields(twkmaildir::OpenLooseMessage(bytes, QString()).get());
  auto full = twkmaildir::OpenLooseMessage(bytes, QString());
  full->Body();  // GMime parses the whole message first: every field is GMime's
  const QString parsed = WalkFields(full.get());
  twkfuzz::Require(light == parsed, "the light reader gives GMime's fields",
                   QStringLiteral("light:\n%1\nfull:\n%2").arg(light, parsed));
  return 0;
}
