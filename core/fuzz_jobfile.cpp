// Job files (".twc", versions 50, 52, 55) from any bytes: a damaged or
// foreign file is refused with an error exception, never read past its end;
// a file that reads is written back as version 55 and reads to the same bytes.
#include "core/Exception.h"
#include "core/JobDef.h"
#include "fuzz/FuzzSupport.h"

#include <QFile>

namespace {

QByteArray Saved(const TJobDef_Manual& job) {
  const QString path = twkfuzz::ScratchFile(QStringLiteral("saved.twc"));
  job.SaveToFile(path);
  QFile f(path);
  twkfuzz::Require(f.open(QIODevice::ReadOnly), "a saved job file can be read");
  return f.readAll();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const QString path = twkfuzz::WriteScratch(QStringLiteral("input.twc"), data, size);
  TJobDef_Manual job;
  try {
    job.LoadFromFile(path);
  } catch (const Exception&) {
    return 0;  // refused: the answer for a damaged file
  }
  const QByteArray first = Saved(job);
  TJobDef_Manual again;
  try {
    again.LoadFromFile(twkfuzz::ScratchFile(QStringLiteral("saved.twc")));
  } catch (const Exception& e) {
    twkfuzz::Require(false, "a job file written by SaveToFile reads back", e.Message());
  }
  twkfuzz::Require(Saved(again) == first, "a job file reads back to the same bytes");
  return 0;
}
