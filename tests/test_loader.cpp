// The loader with the real component, a missing file and a library without
// the export.
#include "core/uRedemptionLoader.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

QString Component() { return BinPath(QStringLiteral("TWKtools64.so")); }

template <class F>
QString MessageOf(F&& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  return QStringLiteral("(no error)");
}

TEST(Loader, CreatesSessionsFromTheComponent) {
  TRedemptionLoader loader;
  loader.SetDllLocation64Bit(Component());
  const TwkPtr<IRDOSession> a = loader.new_RDOSession();
  const TwkPtr<IRDOSession> b = loader.new_RDOSession();
  ASSERT_TRUE(a && b);
  EXPECT_NE(a.get(), b.get());
  EXPECT_FALSE(a->LoggedOn());
  // The library stays loaded: a new location has no effect any more.
  loader.SetDllLocation64Bit(QStringLiteral("/nowhere/TWKtools64.so"));
  EXPECT_TRUE(loader.new_RDOSession());
}

// Each loader of a process (one per test fixture, one per dialog) gets a
// working component, also after an earlier loader let it go.
TEST(Loader, ALaterLoaderParsesMessagesAfterAnEarlierOneIsGone) {
  for (int round = 0; round < 3; ++round) {
    TRedemptionLoader loader;
    loader.SetDllLocation64Bit(Component());
    const TwkPtr<IRDOSession> session = loader.new_RDOSession();
    const TwkPtr<IRDOMail> mail = session->GetMessageFromMIME(
        QByteArrayLiteral("From: a@example.org\r\nSubject: round\r\nContent-Type: text/plain\r\n\r\nbody\r\n"));
    ASSERT_TRUE(mail) << "round " << round;
    EXPECT_EQ(mail->Subject(), QStringLiteral("round")) << "round " << round;
  }
}

TEST(Loader, MissingFileNamesThePathAndALaterCallSucceeds) {
  TScratchDir dir;
  const QString path = dir.Path() + QStringLiteral("/TWKtools64.so");
  TRedemptionLoader loader;
  loader.SetDllLocation64Bit(path);
  const QString message = MessageOf([&] { loader.new_RDOSession(); });
  EXPECT_TRUE(message.startsWith(QStringLiteral("Could not load \"%1\": ").arg(path))) << message.toStdString();
  EXPECT_TRUE(message.contains(QStringLiteral("No such file"))) << message.toStdString();  // dlerror's text
  ASSERT_TRUE(QFile::copy(Component(), path));
  EXPECT_TRUE(loader.new_RDOSession());
}

TEST(Loader, DefaultLocationsAreBesideTheProgram) {
  TRedemptionLoader loader;
  const QString message = MessageOf([&] { loader.new_RDOSession(); });
  const QString expected = BinPath(QString()).section(QLatin1Char('/'), 0, -3) + QStringLiteral("/tests/Redemption64.so");
  EXPECT_TRUE(message.startsWith(QStringLiteral("Could not load \"%1\"").arg(expected))) << message.toStdString();
  EXPECT_TRUE(loader.DllLocation32Bit().endsWith(QStringLiteral("/tests/Redemption.so")));
  loader.UseComponentBesideProgram();
  EXPECT_TRUE(loader.DllLocation64Bit().endsWith(QStringLiteral("/tests/TWKtools64.so")));
  EXPECT_TRUE(loader.DllLocation32Bit().endsWith(QStringLiteral("/tests/TWKtools32.so")));
}

TEST(Loader, LibraryWithoutTheExport) {
  TRedemptionLoader loader;
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&dlopen), &info), 0);  // a library that has no such export
  loader.SetDllLocation64Bit(QString::fromLocal8Bit(info.dli_fname));
  EXPECT_EQ(MessageOf([&] { loader.new_RDOSession(); }),
            QStringLiteral("The dll does not export the 'DllGetClassObject' function"));
}

TEST(Loader, OtherClassesAreNotAvailable) {
  TRedemptionLoader loader;
  loader.SetDllLocation64Bit(Component());
  // new_SafeMailItem's class.
  const CLSID safeMailItem = {0x741BEEFD, 0xAEC0, 0x4AFF, {0xB8, 0xD8, 0x4F, 0x61, 0xD1, 0x5F, 0x55, 0x26}};
  try {
    loader.CreateRedemptionObject(safeMailItem);
    ADD_FAILURE();
  } catch (const EComError& e) {
    EXPECT_EQ(e.ErrorCode(), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(e.Message(), QStringLiteral("DllGetClassObject returned 0x80040111"));
  }
}

TEST(Loader, ComponentExportsOnlyTheClassObject) {
  void* handle = dlopen(QFile::encodeName(Component()).constData(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_TRUE(handle) << dlerror();
  EXPECT_TRUE(dlsym(handle, "DllGetClassObject"));
  for (const char* hidden : {"_ZN10twksession8TSession5LogonEv", "_ZN10twkmaildir11UniqueNameOfERK7QString",
                             "_ZN10twkmaildir17OpenStoredMessageEPNS_10MailFolderERK7QString"})
    EXPECT_FALSE(dlsym(handle, hidden)) << hidden;
  // The factory refuses aggregation and answers its own interfaces only.
  auto get = reinterpret_cast<TDllGetClassObject>(dlsym(handle, "DllGetClassObject"));
  void* p = nullptr;
  ASSERT_EQ(get(&CLSID_RDOSession, &IID_IClassFactory, &p), S_OK);
  auto factory = TwkPtr<IClassFactory>::Adopt(static_cast<IClassFactory*>(p));
  void* object = nullptr;
  EXPECT_EQ(factory->CreateInstance(factory.get(), IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IRDOMail, &object), E_NOINTERFACE);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IRDOSession, &object), S_OK);
  static_cast<IRDOSession*>(object)->Release();
  factory.reset();
  dlclose(handle);
}

}  // namespace
