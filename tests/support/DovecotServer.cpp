#include "DovecotServer.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The mail user when the tests run as root (Dovecot serves no mail as root).
constexpr uid_t kRootMailUid = 65534;

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  close(fd);
  return port;
}

bool Answers(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(quint16(port));
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}

// The processes whose parent is pid (the master's service processes).
QList<pid_t> ChildrenOf(pid_t pid) {
  QList<pid_t> out;
  for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
    bool number = false;
    const pid_t p = pid_t(entry.toInt(&number));
    if (!number) continue;
    QFile stat("/proc/" + entry + "/stat");
    if (!stat.open(QIODevice::ReadOnly)) continue;
    const QByteArray text = stat.readAll();
    // "pid (name) state ppid ...": the name may hold blanks, the last ')' ends it.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 1 && fields[1].toInt() == pid) out << p;
  }
  return out;
}

bool Gone(pid_t pid) {
  QFile stat(QString("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return true;
  const QByteArray text = stat.readAll();
  return text.mid(text.lastIndexOf(')') + 2, 1) == "Z";
}

QString UserName(uid_t uid) {
  const passwd* pw = getpwuid(uid);
  return pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(uid);
}

}  // namespace

TDovecot::TDovecot(const QString& maildir, const QString& extraConfig) : FMaildir(maildir) {
  QDir().mkpath(FMaildir + "/INBOX/cur");
  QDir().mkpath(FMaildir + "/INBOX/new");
  QDir().mkpath(FMaildir + "/INBOX/tmp");
  FPort = FreePort();
  FTlsPort = FreePort();
  const QString dir = FDir.Path();
  const bool root = getuid() == 0;
  const uid_t mailUid = root ? kRootMailUid : getuid();
  const gid_t mailGid = root ? kRootMailUid : getgid();
  const TRunResult cert = RunProgram(
      "openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", dir + "/key.pem", "-out",
                  dir + "/cert.pem", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                  "subjectAltName=IP:127.0.0.1,DNS:localhost"});
  if (cert.ExitCode != 0) {
    FError = "openssl: " + QString::fromLocal8Bit(cert.Stderr);
    return;
  }
  QString conf = QString(R"(base_dir = %1/run
state_dir = %1/state
log_path = %1/dovecot.log
protocols = imap
listen = 127.0.0.1
ssl = yes
ssl_cert = <%1/cert.pem
ssl_key = <%1/key.pem
disable_plaintext_auth = no
auth_mechanisms = plain login
first_valid_uid = 1
mail_location = maildir:%2:LAYOUT=fs:INBOX=%2/INBOX
namespace inbox {
  inbox = yes
  separator = /
  mailbox Sent {
    special_use = \Sent
  }
  mailbox Drafts {
    special_use = \Drafts
  }
  mailbox Trash {
    special_use = \Trash
  }
}
passdb {
  driver = static
  args = password=%3
}
userdb {
  driver = static
  args = uid=%4 gid=%5 home=%2
}
service imap-login {
  chroot =
  inet_listener imap {
    address = 127.0.0.1
    port = %6
  }
  inet_listener imaps {
    address = 127.0.0.1
    port = %7
    ssl = yes
  }
}
service anvil {
  chroot =
}
)")
                     .arg(dir, FMaildir, QString::fromLatin1(kPassword))
                     .arg(mailUid)
                     .arg(mailGid)
                     .arg(FPort)
                     .arg(FTlsPort);
  if (!root) {
    // Dovecot run by an ordinary user runs all of itself as that user.
    const QString me = UserName(getuid());
    conf += QString("default_internal_user = %1\ndefault_login_user = %1\ndefault_internal_group = %2\n")
                .arg(me, QString::number(getgid()));
  }
  conf += extraConfig;
  FDir.Write("dovecot.conf", conf.toUtf8());
  if (root) {
    // The mail user must reach the maildir through the scratch directories.
    for (QString d = FMaildir; d != "/" && !d.isEmpty(); d = QFileInfo(d).absolutePath())
      QFile::setPermissions(d, QFile::permissions(d) | QFile::ExeOther | QFile::ExeGroup);
  }
  GiveMailToServer();
  Start();
}

TDovecot::~TDovecot() { Stop(); }

QString TDovecot::CertFile() const { return FDir.Path() + "/cert.pem"; }

QString TDovecot::Log() const { return QString::fromUtf8(FDir.Read("dovecot.log")); }

void TDovecot::GiveMailToServer() const {
  if (getuid() != 0) return;
  RunProgram("chown", {"-R", QString("%1:%1").arg(kRootMailUid), FMaildir});
}

bool TDovecot::Start() {
  const TRunResult r = RunProgram("/usr/sbin/dovecot", {"-c", FDir.Path() + "/dovecot.conf"});
  if (r.ExitCode != 0) {
    FError = "dovecot: " + QString::fromLocal8Bit(r.Stderr);
    return false;
  }
  for (int i = 0; i < 200 && !(Answers(FPort) && Answers(FTlsPort)); ++i) QThread::msleep(25);
  FRunning = Answers(FPort);
  if (!FRunning) FError = "dovecot does not answer: " + Log();
  return FRunning;
}

// The server dies at once, as a crashed or unplugged one would: every
// process killed, no command finished after this returns.
void TDovecot::Stop() {
  // Also a server that started but did not answer in time: no server outlives its test.
  const pid_t master = pid_t(FDir.Read("run/master.pid").trimmed().toInt());
  if (master > 0) {
    QList<pid_t> all = ChildrenOf(master);
    ::kill(master, SIGKILL);
    all << master;
    for (pid_t p : all) ::kill(p, SIGKILL);
    for (int i = 0; i < 400; ++i) {
      bool gone = true;
      for (pid_t p : all) gone = gone && Gone(p);
      if (gone) break;
      QThread::msleep(10);
    }
    QFile::remove(FDir.Path() + "/run/master.pid");
  }
  FRunning = false;
}

QString TDovecot::StoreSection(const QString& name, const QString& extra) const {
  return QString("[store]\ntype = imap\nname = %1\nhost = 127.0.0.1\nport = %2\nsecurity = none\nuser = tester\n"
                 "passcmd = echo %3\n%4")
      .arg(name)
      .arg(FPort)
      .arg(QString::fromLatin1(kPassword), extra);
}
