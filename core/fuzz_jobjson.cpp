// Job and inbox files as JSON (`twk job`, `twk inbox`) from any bytes:
// refused with an error exception naming the place, or read; what reads is
// written as JSON again and reads to the same job (compared as written).
#include "core/Exception.h"
#include "core/JobDefJson.h"
#include "fuzz/FuzzSupport.h"

namespace {

template <class T, class FromJson, class ToJson>
void RoundTrip(const QByteArray& json, FromJson fromJson, ToJson toJson) {
  T first;
  try {
    first = fromJson(json);
  } catch (const Exception& e) {
    twkfuzz::Require(!e.Message().isEmpty(), "a refused JSON file says why");
    return;
  }
  const QByteArray written = toJson(first);
  T again;
  try {
    again = fromJson(written);
  } catch (const Exception& e) {
    twkfuzz::Require(false, "written JSON reads back", e.Message() + QStringLiteral("\n") + QString::fromUtf8(written));
  }
  twkfuzz::Require(toJson(again) == written, "written JSON reads back to the same job", QString::fromUtf8(written));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const QByteArray json = twkfuzz::Bytes(data, size);
  const QString version = QStringLiteral("TWKOAD55");
  RoundTrip<TJobDef_Manual>(
      json, [](const QByteArray& j) { return JobDefFromJson(j, QStringLiteral("job.json")); },
      [&](const TJobDef_Manual& job) { return JobDefToJson(job, version); });
  RoundTrip<TJobDefList_Inbox>(
      json, [](const QByteArray& j) { return InboxListFromJson(j, QStringLiteral("inbox.json")); },
      [&](const TJobDefList_Inbox& list) { return InboxListToJson(list, version); });
  return 0;
}
