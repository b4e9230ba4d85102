// tarnwick: the desktop application. A window that plays the mail client on
// the stores of the user's profile and hosts the registered add-ins; also
// registers and unregisters an add-in library.
#include "addin/hosting/HostInstances.h"
#include "core/Exception.h"
#include "core/RDOSession.h"
#include "core/uRedemptionLoader.h"
#include "host/AddinManager.h"
#include "host/DBusApplication.h"
#include "host/ExplorerWindow.h"
#include "host/HostApplication.h"
#include "host/HostSettings.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QMessageBox>
#include <clocale>
#include <cstdio>
#include <dlfcn.h>

namespace {

void Fail(const QString& text) { std::fprintf(stderr, "tarnwick: %s\n", text.toLocal8Bit().constData()); }

// Whether Qt can open a window here: a platform other than the desktop ones
// (offscreen, vnc) always can, X11 and Wayland need their display.
bool HaveDisplay() {
  const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
  if (!platform.isEmpty() && !platform.startsWith(QLatin1String("xcb")) && !platform.startsWith(QLatin1String("wayland")))
    return true;
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// --register / --unregister: the library's own registration export.
int Registration(const QString& library, const char* exportName) {
  void* handle = ::dlopen(QFile::encodeName(library).constData(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!handle) {
    const char* text = ::dlerror();
    Fail(QStringLiteral("Could not load \"%1\": %2").arg(library, QString::fromLocal8Bit(text ? text : "")));
    return 1;
  }
  using TRegFunc = HRESULT (*)();
  auto f = reinterpret_cast<TRegFunc>(::dlsym(handle, exportName));
  if (!f) {
    Fail(QStringLiteral("The dll does not export the '%1' function").arg(QString::fromLatin1(exportName)));
    return 1;
  }
  const HRESULT hr = f();
  if (FAILED(hr)) {
    if (hr != E_FAIL) Fail(QStringLiteral("%1 returned 0x%2").arg(QString::fromLatin1(exportName)).arg(std::uint32_t(hr), 8, 16, QLatin1Char('0')));
    return 1;
  }
  return 0;
}

int RunHost(const THostSettings& settings) {
  const THostInstanceLock lock(QStringLiteral("tarnwick"));
  GlobalRedemptionLoader().UseComponentBesideProgram();
  TRDOSession session;
  try {
    session.ConnectTo(GlobalRedemptionLoader().new_RDOSession());
    session.Logon();
  } catch (const Exception& e) {
    QMessageBox::critical(nullptr, QStringLiteral("Tarnwick"), e.Message());
    Fail(e.Message());
    return 1;
  }
  THostApplication app(settings.Version, &session);
  TExplorerWindow window(&session);
  app.SetExplorer(&window);
  window.ShowInbox();

  TDBusApplication bus(&app);
  if (!bus.Publish()) window.ShowStatus(QStringLiteral("The session bus is not available: console jobs cannot use this window's selection"));

  TAddinManager addins(&app, &window);
  addins.LoadRegistered(QStringLiteral("Outlook"));
  addins.BuildUserInterface(settings.ExplorerHasRibbon(), [&window](QWidget* tab, const QString& caption) { window.AddRibbonTab(tab, caption); },
                            [&window](QToolBar* bar) { window.AddCommandBar(bar); });
  for (const QString& error : addins.Errors()) Fail(error);
  if (!addins.Errors().isEmpty()) window.ShowStatus(addins.Errors().join(QStringLiteral("; ")));
  window.OnClose = [&addins, &settings] { addins.Shutdown(settings.FastShutdown ? osFast : osNormal); };
  window.show();
  const int rc = QApplication::exec();
  addins.Shutdown(settings.FastShutdown ? osFast : osNormal);
  app.SetExplorer(nullptr);
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  // The arguments are looked at before Qt opens a display, so registration
  // and the no-display message work on a terminal.
  QStringList args;
  for (int i = 0; i < argc; ++i) args.append(QString::fromLocal8Bit(argv[i]));
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Tarnwick: export emails and attachments"));
  parser.addHelpOption();
  const QCommandLineOption versionOpt(QStringLiteral("host-version"), QStringLiteral("Play a mail client of this version (default 16.0.0.0)."), QStringLiteral("VERSION"));
  const QCommandLineOption regOpt(QStringLiteral("register"), QStringLiteral("Register the add-in library."), QStringLiteral("LIBRARY"));
  const QCommandLineOption unregOpt(QStringLiteral("unregister"), QStringLiteral("Unregister the add-in library."), QStringLiteral("LIBRARY"));
  parser.addOptions({versionOpt, regOpt, unregOpt});
  if (!parser.parse(args)) {
    Fail(parser.errorText());
    return 1;
  }
  if (parser.isSet(QStringLiteral("help"))) {
    std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
    return 0;
  }
  const bool display = HaveDisplay();
  if (parser.isSet(regOpt) || parser.isSet(unregOpt)) {
    // The question about running instances is a dialog where a display is.
    std::unique_ptr<QCoreApplication> app = display ? std::make_unique<QApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    return parser.isSet(regOpt) ? Registration(parser.value(regOpt), "DllRegisterServer")
                                : Registration(parser.value(unregOpt), "DllUnregisterServer");
  }
  if (!display) {
    Fail(QStringLiteral("no display: set DISPLAY or WAYLAND_DISPLAY (the window needs a graphical session)"));
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tarnwick"));
  QApplication::setDesktopFileName(QStringLiteral("tarnwick"));
  THostSettings settings = THostSettings::Load();
  if (parser.isSet(versionOpt)) settings.Version = parser.value(versionOpt);
  return RunHost(settings);
}
