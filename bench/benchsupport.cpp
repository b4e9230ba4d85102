#include "bench/benchsupport.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

std::size_t ReadFields(IRDOMail* mail) {
  std::size_t sum = std::size_t(mail->MessageClass().size());
  const bool sent = mail->Sent();
  if (sent) {
    if (auto s = mail->Sender()) sum += std::size_t(s->Name().size() + s->Address().size());
    if (auto s = mail->SentOnBehalfOf()) sum += std::size_t(s->Name().size() + s->Address().size());
  }
  sum += std::size_t(mail->Subject().size());
  const double dates[] = {sent ? mail->SentOn() : 0, mail->ReceivedTime(), mail->LastModificationTime(),
                          mail->CreationTime()};
  for (double d : dates) sum += d != 0;
  sum += std::size_t(mail->Fields(PR_TRANSPORT_MESSAGE_HEADERS).toString().size());
  auto recipients = mail->Recipients();
  for (int i = 1; i <= recipients->Count(); ++i) {
    auto r = recipients->Item(i);
    sum += std::size_t(r->Name().size() + r->Address().size() + r->Resolved());
  }
  auto atts = mail->Attachments();
  for (int i = 1; i <= atts->Count(); ++i) {
    auto a = atts->Item(i);
    if (!a->Hidden() && (a->Type() == olByValue || a->Type() == olEmbeddeditem)) sum += std::size_t(a->FileName().size());
  }
  return sum;
}

TRun RunChild(const QStringList& args, bool quiet) {
  QElapsedTimer timer;
  std::fflush(stdout);
  timer.start();
  const pid_t pid = fork();
  if (pid == 0) {
    if (quiet && !freopen("/dev/null", "w", stdout)) _exit(126);
    std::vector<QByteArray> storage;
    std::vector<char*> argv;
    for (const QString& a : args) storage.push_back(a.toLocal8Bit());
    for (QByteArray& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) qFatal("%s failed", qPrintable(args.join(' ')));
  const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return {double(timer.nsecsElapsed()) / 1e9, seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss};
}

TRun Best(const QStringList& args, int repeats, const std::function<void()>& prepare) {
  TRun best{1e30, 1e30, 0};
  for (int i = 0; i < repeats; ++i) {
    if (prepare) prepare();
    const TRun r = RunChild(args, true);
    best.Seconds = std::min(best.Seconds, r.Seconds);
    best.CpuSeconds = std::min(best.CpuSeconds, r.CpuSeconds);
    best.PeakKB = std::max(best.PeakKB, r.PeakKB);
  }
  return best;
}
