// The sanitizer on any HTML: what it writes, parsed by an HTML5 parser as a
// browser would, holds nothing that runs or loads a page, and writing it
// again changes nothing (the document writer tokenizes it once more).
#include "fuzz/FuzzSupport.h"
#include "tests/HtmlActiveContent.h"
#include "twktools/formats/HtmlSanitizer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const QString html = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const QString clean = twkformats::SanitizeHtml(html);
  const std::string active = twkhtmlcheck::ActiveContentIn(clean);
  twkfuzz::Require(active.empty(), "sanitized HTML holds nothing active",
                   QString::fromStdString(active) + QStringLiteral("\n") + clean);
  twkfuzz::Require(twkformats::SanitizeHtml(clean) == clean, "sanitized HTML is a fixed point", clean);
  return 0;
}
