// Saves the whole screen of the X display as a PNG (for the README's picture
// of the window, taken under Xvfb by scripts/screenshot-desktop.sh).
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fputs("usage: twk-grabscreen FILE.png\n", stderr);
    return 1;
  }
  const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
  if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "twk-grabscreen: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
