#pragma once
// The station's real windows drawn offscreen by the Qt layer, on a scratch home.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QMainWindow>
#include <filesystem>
#include <fstream>

#include "foundation/core.h"
#include "platform/doubles.h"
#include "qtui/formhost.h"
#include "qtui/touchstyle.h"
#include "station/station.h"

namespace zarvane {

namespace fs = std::filesystem;

inline void EnsureApp() {
  if (QApplication::instance()) return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "zarvane_qt_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  InstallTouchStyle();
}

class StationWindows : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApp(); }

  StationWindows() : forms(&tp.clock), host(forms), core(tp.platform, op, forms), station(core) {
    char tmpl[] = "/tmp/zarvane-qt-XXXXXX";
    home = mkdtemp(tmpl);
  }
  ~StationWindows() override {
    std::error_code ec;
    fs::remove_all(home, ec);
  }

  void Start(const std::string& settings) {
    std::ofstream(home / "zarv.ini", std::ios::binary) << "debuglevel = 9\r\nInterface = CMM1\r\n" << settings;
    std::ofstream(home / "Lang.ini", std::ios::binary) << languageTable;
    ASSERT_TRUE(station.Start(home.string(), {}));
  }

  QMainWindow* View(Form& form) { return static_cast<QMainWindow*>(host.ViewOf(form)); }
  template <class W>
  W* Widget(Form& form, const char* name) {
    QMainWindow* view = View(form);
    return view ? view->findChild<W*>(name) : nullptr;
  }

  std::string languageTable = "\tExit\tQuitter\r\n\tPart #\tPi\xe8" "ce\r\n";
  TestPlatform tp;
  SilentOperator op;
  Forms forms;
  QtFormHost host;
  Core core;
  Station station;
  fs::path home;
};

}  // namespace zarvane
