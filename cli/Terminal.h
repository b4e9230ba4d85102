// Questions asked on the controlling terminal (/dev/tty), so that they work
// while standard input and output carry a message or a report.
#pragma once

#include <QString>

class TTerminal {
public:
  // Opens the controlling terminal; IsOpen() is false when there is none.
  TTerminal();
  ~TTerminal();
  TTerminal(const TTerminal&) = delete;
  TTerminal& operator=(const TTerminal&) = delete;

  bool IsOpen() const { return FFd >= 0; }

  // Shows text and the prompt, then reads lines until one starts with one
  // of the answer letters (either case) and returns that letter in lower
  // case; 0 when the terminal ends or is closed.
  char Ask(const QString& text, const QString& prompt, const char* answers);

private:
  void Write(const QString& text);
  int FFd = -1;
};
