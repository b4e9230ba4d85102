#include "twktools/imap/certcheck.h"

#include "twktools/TWKerrors.h"

#include <QFile>
#include <gnutls/gnutls.h>
#include <gnutls/x509.h>
#include <libetpan/libetpan.h>
#include <vector>

namespace twkimap {

namespace {

struct TTrust {
  gnutls_x509_trust_list_t List = nullptr;
  std::vector<gnutls_x509_crt_t> Chain;
  ~TTrust() {
    for (gnutls_x509_crt_t c : Chain) gnutls_x509_crt_deinit(c);
    if (List) gnutls_x509_trust_list_deinit(List, 1);
  }
};

}  // namespace

void CheckCertificate(mailimap* imap, const twksession::TStoreConfig& config, const QString& storeName) {
  auto refuse = [&](const QString& why) {
    throw EComError(MAPI_E_LOGON_FAILED,
                    QStringLiteral("The certificate of the mail server %1 (mail store \"%2\") is not trusted: %3")
                        .arg(config.Host, storeName, why));
  };
  carray* chain = mailstream_get_certificate_chain(imap->imap_stream);
  if (!chain || carray_count(chain) == 0) {
    if (chain) mailstream_certificate_chain_free(chain);
    refuse(QStringLiteral("the server sent no certificate"));
  }
  TTrust t;
  bool imported = true;
  for (unsigned i = 0; i < carray_count(chain); ++i) {
    auto* der = static_cast<MMAPString*>(carray_get(chain, i));
    gnutls_x509_crt_t crt = nullptr;
    gnutls_x509_crt_init(&crt);
    const gnutls_datum_t datum{reinterpret_cast<unsigned char*>(der->str), unsigned(der->len)};
    if (gnutls_x509_crt_import(crt, &datum, GNUTLS_X509_FMT_DER) < 0) imported = false;
    t.Chain.push_back(crt);
  }
  mailstream_certificate_chain_free(chain);
  if (!imported) refuse(QStringLiteral("its certificate cannot be read"));
  gnutls_x509_trust_list_init(&t.List, 0);
  if (gnutls_x509_trust_list_add_system_trust(t.List, 0, 0) < 0 && config.CaFile.isEmpty())
    refuse(QStringLiteral("the system's certificate store cannot be read"));
  if (!config.CaFile.isEmpty() &&
      gnutls_x509_trust_list_add_trust_file(t.List, QFile::encodeName(config.CaFile).constData(), nullptr,
                                            GNUTLS_X509_FMT_PEM, 0, 0) <= 0)
    refuse(QStringLiteral("the profile's cafile \"%1\" holds no certificate").arg(config.CaFile));
  const QByteArray host = config.Host.toUtf8();
  gnutls_typed_vdata_st data{GNUTLS_DT_DNS_HOSTNAME, reinterpret_cast<unsigned char*>(const_cast<char*>(host.constData())), 0};
  unsigned status = 0;
  if (gnutls_x509_trust_list_verify_crt2(t.List, t.Chain.data(), unsigned(t.Chain.size()), &data, 1, 0, &status,
                                         nullptr) < 0)
    refuse(QStringLiteral("it cannot be checked"));
  if (status == 0) return;
  gnutls_datum_t text{};
  gnutls_certificate_verification_status_print(status, GNUTLS_CRT_X509, &text, 0);
  const QString reason = QString::fromUtf8(reinterpret_cast<const char*>(text.data), int(text.size));
  gnutls_free(text.data);
  refuse(reason);
}

}  // namespace twkimap
