#include "cli/Terminal.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

TTerminal::TTerminal() { FFd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC); }

TTerminal::~TTerminal() {
  if (FFd >= 0) ::close(FFd);
}

void TTerminal::Write(const QString& text) {
  const QByteArray bytes = text.toLocal8Bit();
  for (qsizetype done = 0; done < bytes.size();) {
    const ssize_t n = ::write(FFd, bytes.constData() + done, size_t(bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += n;
  }
}

char TTerminal::Ask(const QString& text, const QString& prompt, const char* answers) {
  if (FFd < 0) return 0;
  if (!text.isEmpty()) Write(text + QLatin1Char('\n'));
  for (;;) {
    Write(prompt);
    QByteArray line;
    char c = 0;
    for (;;) {
      const ssize_t n = ::read(FFd, &c, 1);
      if (n < 0 && errno == EINTR) return 0;  // Ctrl-C while asked: no answer
      if (n <= 0) return 0;
      if (c == '\n') break;
      line += c;
    }
    const QByteArray word = line.trimmed();
    if (!word.isEmpty()) {
      const char first = char(std::tolower(static_cast<unsigned char>(word[0])));
      if (std::strchr(answers, first)) return first;
    }
  }
}
