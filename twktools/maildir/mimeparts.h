// Which MIME leaves of a message are body text and which are attachments.
#pragma once

#include <gmime/gmime.h>
#include <vector>

namespace twkmaildir {

struct TAttachmentPart {
  GMimeObject* Part = nullptr;
  GMimeObject* Parent = nullptr;  // the multipart holding it; null for the message's root
  bool Hidden = false;
};

struct TMimeLayout {
  std::vector<GMimeObject*> Body;  // text leaves of the body, in order
  std::vector<TAttachmentPart> Attachments;
};

// Deeper structures than this are not looked into (endless nesting).
constexpr int kMaxMimeDepth = 64;

// Body: text/plain and text/html of the main body (multipart/alternative,
// the root of multipart/related) and every other text leaf without a file
// name and without "attachment" disposition. Everything else is an
// attachment; parts of multipart/related that the HTML references are
// hidden, so are the signature of multipart/signed and the control part of
// multipart/encrypted. message/rfc822 parts are not descended into.
TMimeLayout AnalyseLayout(GMimeObject* root);

}  // namespace twkmaildir
