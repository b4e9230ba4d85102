#include "twktools/imap/password.h"

#include "twktools/TWKerrors.h"

#include <QProcess>
#include <libsecret/secret.h>

namespace twkimap {

namespace {

[[noreturn]] void NoPassword(const QString& storeName, const QString& why) {
  throw EComError(MAPI_E_LOGON_FAILED, QStringLiteral("No password for the mail store \"%1\": %2").arg(storeName, why));
}

QByteArray FromCommand(const QString& command, const QString& storeName) {
  QProcess p;
  p.setProcessChannelMode(QProcess::SeparateChannels);
  p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
  if (!p.waitForStarted(10000)) NoPassword(storeName, QStringLiteral("its passcmd cannot be run"));
  p.closeWriteChannel();
  // A command that asks for a passphrase (a key agent, a keyring) may take a while.
  if (!p.waitForFinished(120000)) {
    p.kill();
    p.waitForFinished();
    NoPassword(storeName, QStringLiteral("its passcmd did not finish"));
  }
  if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
    NoPassword(storeName, QStringLiteral("its passcmd failed (exit code %1): %2")
                              .arg(p.exitCode())
                              .arg(QString::fromLocal8Bit(p.readAllStandardError()).trimmed()));
  QByteArray out = p.readAllStandardOutput();
  const qsizetype nl = out.indexOf('\n');
  if (nl >= 0) out.truncate(nl);
  if (out.endsWith('\r')) out.chop(1);
  if (out.isEmpty()) NoPassword(storeName, QStringLiteral("its passcmd printed no password"));
  return out;
}

// The network password schema most mail programs use: `secret-tool store
// --label=... protocol imap server HOST user USER` puts one there.
QByteArray FromKeyring(const twksession::TStoreConfig& config, const QString& storeName) {
  GError* error = nullptr;
  gchar* secret = secret_password_lookup_sync(SECRET_SCHEMA_COMPAT_NETWORK, nullptr, &error, "protocol", "imap",
                                              "server", config.Host.toUtf8().constData(), "user",
                                              config.Login.toUtf8().constData(), nullptr);
  if (error) {
    const QString why = QString::fromUtf8(error->message);
    g_error_free(error);
    NoPassword(storeName, QStringLiteral("no passcmd in the profile and the desktop keyring cannot be asked (%1)").arg(why));
  }
  if (!secret)
    NoPassword(storeName, QStringLiteral("no passcmd in the profile and none in the desktop keyring for %1 on %2")
                              .arg(config.Login, config.Host));
  QByteArray out(secret);
  secret_password_free(secret);
  return out;
}

}  // namespace

QByteArray ReadPassword(const twksession::TStoreConfig& config, const QString& storeName) {
  if (!config.PassCmd.isEmpty()) return FromCommand(config.PassCmd, storeName);
  return FromKeyring(config, storeName);
}

}  // namespace twkimap
