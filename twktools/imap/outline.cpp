#include "twktools/imap/outline.h"

#include <libetpan/libetpan.h>

namespace twkimap {

namespace {

constexpr int kMaxDepth = 64;

QByteArray Quoted(const char* value) {
  QByteArray v(value ? value : "");
  v.replace('\\', "\\\\").replace('"', "\\\"");
  return '"' + v + '"';
}

void WriteParams(QByteArray& out, const mailimap_body_fld_param* params) {
  if (!params || !params->pa_list) return;
  for (clistiter* it = clist_begin(params->pa_list); it; it = clist_next(it)) {
    auto* p = static_cast<mailimap_single_body_fld_param*>(clist_content(it));
    if (!p || !p->pa_name) continue;
    const QByteArray name(p->pa_name);
    // RFC 2231 values ("name*") are written as they came, unquoted.
    out += ";\r\n\t" + name + '=' + (name.endsWith('*') ? QByteArray(p->pa_value ? p->pa_value : "") : Quoted(p->pa_value));
  }
}

const char* ParamValue(const mailimap_body_fld_param* params, const char* name) {
  if (!params || !params->pa_list) return nullptr;
  for (clistiter* it = clist_begin(params->pa_list); it; it = clist_next(it)) {
    auto* p = static_cast<mailimap_single_body_fld_param*>(clist_content(it));
    if (p && p->pa_name && qstricmp(p->pa_name, name) == 0) return p->pa_value;
  }
  return nullptr;
}

void WriteDisposition(QByteArray& out, const mailimap_body_fld_dsp* dsp) {
  if (!dsp || !dsp->dsp_type) return;
  out += "Content-Disposition: " + QByteArray(dsp->dsp_type).toLower();
  WriteParams(out, dsp->dsp_attributes);
  out += "\r\n";
}

QByteArray EncodingName(const mailimap_body_fld_enc* enc) {
  if (!enc) return {};
  switch (enc->enc_type) {
    case MAILIMAP_BODY_FLD_ENC_8BIT: return "8bit";
    case MAILIMAP_BODY_FLD_ENC_BINARY: return "binary";
    case MAILIMAP_BODY_FLD_ENC_BASE64: return "base64";
    case MAILIMAP_BODY_FLD_ENC_QUOTED_PRINTABLE: return "quoted-printable";
    case MAILIMAP_BODY_FLD_ENC_OTHER: return enc->enc_value ? QByteArray(enc->enc_value) : QByteArray();
    default: return {};
  }
}

QByteArray BasicType(const mailimap_media_basic* m) {
  if (!m) return "application/octet-stream";
  const char* type = "application";
  switch (m->med_type) {
    case MAILIMAP_MEDIA_BASIC_AUDIO: type = "audio"; break;
    case MAILIMAP_MEDIA_BASIC_IMAGE: type = "image"; break;
    case MAILIMAP_MEDIA_BASIC_MESSAGE: type = "message"; break;
    case MAILIMAP_MEDIA_BASIC_VIDEO: type = "video"; break;
    case MAILIMAP_MEDIA_BASIC_OTHER: type = m->med_basic_type ? m->med_basic_type : "application"; break;
    default: break;
  }
  return QByteArray(type).toLower() + '/' + QByteArray(m->med_subtype ? m->med_subtype : "octet-stream").toLower();
}

class TWriter {
public:
  QByteArray& Out;
  bool Exact = true;
  int Boundaries = 0;

  void Part(const mailimap_body* body, bool top, int depth) {
    if (!body || depth > kMaxDepth) return;
    if (body->bd_type == MAILIMAP_BODY_MPART)
      Multipart(body->bd_data.bd_body_mpart, top, depth);
    else
      Leaf(body->bd_data.bd_body_1part, top);
  }

private:
  void Multipart(const mailimap_body_type_mpart* mp, bool top, int depth) {
    const QByteArray subtype = QByteArray(mp->bd_media_subtype ? mp->bd_media_subtype : "mixed").toLower();
    const mailimap_body_fld_param* params = mp->bd_ext_mpart ? mp->bd_ext_mpart->bd_parameter : nullptr;
    QByteArray boundary(ParamValue(params, "boundary"));
    if (boundary.isEmpty()) {
      // The header block names a boundary the outline cannot know.
      if (top) Exact = false;
      boundary = "twk-outline-" + QByteArray::number(++Boundaries);
    }
    const int count = mp->bd_list ? clist_count(mp->bd_list) : 0;
    if (subtype == "related" && count > 1) Exact = false;
    if (!top) {
      Out += "Content-Type: multipart/" + subtype + ";\r\n\tboundary=" + Quoted(boundary.constData());
      if (params && params->pa_list)
        for (clistiter* it = clist_begin(params->pa_list); it; it = clist_next(it)) {
          auto* p = static_cast<mailimap_single_body_fld_param*>(clist_content(it));
          if (p && p->pa_name && qstricmp(p->pa_name, "boundary") != 0)
            Out += ";\r\n\t" + QByteArray(p->pa_name) + '=' + Quoted(p->pa_value);
        }
      Out += "\r\n";
      if (mp->bd_ext_mpart) WriteDisposition(Out, mp->bd_ext_mpart->bd_disposition);
      Out += "\r\n";
    }
    for (clistiter* it = mp->bd_list ? clist_begin(mp->bd_list) : nullptr; it; it = clist_next(it)) {
      Out += "--" + boundary + "\r\n";
      Part(static_cast<mailimap_body*>(clist_content(it)), false, depth + 1);
      Out += "\r\n";
    }
    Out += "--" + boundary + "--\r\n";
  }

  void Leaf(const mailimap_body_type_1part* part, bool top) {
    if (top || !part) return;  // the header block already holds the root's headers
    QByteArray type;
    const mailimap_body_fields* fields = nullptr;
    switch (part->bd_type) {
      case MAILIMAP_BODY_TYPE_1PART_TEXT:
        type = "text/" + QByteArray(part->bd_data.bd_type_text->bd_media_text).toLower();
        fields = part->bd_data.bd_type_text->bd_fields;
        break;
      case MAILIMAP_BODY_TYPE_1PART_MSG:
        type = "message/rfc822";
        fields = part->bd_data.bd_type_msg->bd_fields;
        break;
      default:
        type = BasicType(part->bd_data.bd_type_basic->bd_media_basic);
        fields = part->bd_data.bd_type_basic->bd_fields;
        break;
    }
    Out += "Content-Type: " + type;
    if (fields) WriteParams(Out, fields->bd_parameter);
    Out += "\r\n";
    if (fields && fields->bd_id) Out += "Content-ID: " + QByteArray(fields->bd_id) + "\r\n";
    if (fields && fields->bd_description) Out += "Content-Description: " + QByteArray(fields->bd_description) + "\r\n";
    if (fields) {
      const QByteArray enc = EncodingName(fields->bd_encoding);
      if (!enc.isEmpty() && enc != "7bit") Out += "Content-Transfer-Encoding: " + enc + "\r\n";
    }
    if (part->bd_ext_1part) WriteDisposition(Out, part->bd_ext_1part->bd_disposition);
    Out += "\r\n";
  }
};

}  // namespace

bool WriteStructure(const mailimap_body* body, QByteArray& out) {
  if (!body) return false;
  TWriter w{out};
  w.Part(body, true, 0);
  return w.Exact;
}

}  // namespace twkimap
