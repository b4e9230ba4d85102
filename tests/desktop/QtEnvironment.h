// One QApplication on the offscreen platform for a whole test program: the
// module's windows and the store's new-mail notifier need it.
#pragma once

#include <QApplication>
#include <gtest/gtest.h>

class TQtEnvironment final : public ::testing::Environment {
public:
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    FApp = new QApplication(argc, argv);
  }
  void TearDown() override { delete FApp; }

private:
  QApplication* FApp = nullptr;
};

inline ::testing::Environment* const gQtEnvironment = ::testing::AddGlobalTestEnvironment(new TQtEnvironment);
