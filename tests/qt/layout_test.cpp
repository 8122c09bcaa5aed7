// How the station's windows come out on screen: every caption drawn whole in
// every shipped language and text size, touch-sized targets, the status line,
// and where windows open. The checks use Qt's own measures of the widgets.
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QStyleOptionComboBox>
#include <sstream>

#include "clipping.h"
#include "station_fixture.h"

namespace zarvane {
namespace {

class Layout : public StationWindows {
 protected:
  Layout() {
    std::ifstream in(std::string(ZARVANE_DEMO_HOME) + "/Lang.ini", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    languageTable = text.str();
  }
  ~Layout() override { QApplication::setFont(font_); }
  void SetTextSize(double factor) {
    QFont font = font_;
    font.setPointSizeF(font_.pointSizeF() * factor);
    QApplication::setFont(font);
  }
  QFont font_ = QApplication::font();
};

constexpr const char* kScreens[] = {
    "SingleZone = OFF\r\n",
    "SingleZone = ON\r\nSZ_Serial = ON\r\nSZ_Stats = ON\r\nSTAT1 = OPERATOR Operator Name\r\n"};

// Every shipped language at 100%, 125% and 150% text size, on both screens and
// in the about box, at the size the window opens and at its minimum size.
TEST_F(Layout, NoCaptionIsClippedInAnyLanguageOrTextSize) {
  for (const char* screen : kScreens) {
    for (int language = 1; language <= 5; ++language) {
      for (double size : {1.0, 1.25, 1.5}) {
        SCOPED_TRACE(std::string(screen) + " language " + std::to_string(language) + " text " +
                     std::to_string(size));
        SetTextSize(size);
        Forms forms(&tp.clock);
        QtFormHost qt(forms);
        Core c(tp.platform, op, forms);
        Station s(c);
        std::ofstream(home / "zarv.ini", std::ios::binary)
            << "Interface = CMM1\r\nLanguage = " << language << "\r\n" << screen;
        std::ofstream(home / "Lang.ini", std::ios::binary) << languageTable;
        ASSERT_TRUE(s.Start(home.string(), {}));
        auto* main = static_cast<QMainWindow*>(qt.ViewOf(s.frmMain));
        ASSERT_NE(main, nullptr);
        QCoreApplication::processEvents();
        for (const std::string& p : ClippedCaptions(main, s.frmMain)) ADD_FAILURE() << p << " (as opened)";
        main->resize(main->minimumSize());
        QCoreApplication::processEvents();
        EXPECT_GE(main->findChild<QWidget*>("client")->font().pointSizeF(), QApplication::font().pointSizeF());
        for (const std::string& p : ClippedCaptions(main, s.frmMain)) ADD_FAILURE() << p << " (smallest)";
        s.frmMain("mnuAbout").Click();
        qt.SyncAll();
        ASSERT_NE(qt.ViewOf(s.frmSplash), nullptr);
        for (const std::string& p : ClippedCaptions(qt.ViewOf(s.frmSplash), s.frmSplash)) ADD_FAILURE() << p;
        s.frmSplash.Unload();
      }
    }
  }
}

TEST_F(Layout, TargetsAreLargeEnoughForAGlovedFinger) {
  Start(kScreens[0]);
  auto* combo = Widget<QComboBox>(station.frmMain, "cmbFixture(2)");
  ASSERT_NE(combo, nullptr);
  QStyleOptionComboBox opt;
  opt.initFrom(combo);
  opt.editable = true;
  const QRect arrow = combo->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxArrow, combo);
  EXPECT_GE(arrow.width(), TouchStyle::kTouchSize);
  combo->addItem(QStringLiteral("FIX2"));
  EXPECT_GE(combo->view()->sizeHintForRow(0), TouchStyle::kTouchSize);
  // Enlarged, the arrow grows with the box.
  View(station.frmMain)->resize(View(station.frmMain)->size() * 2);
  QCoreApplication::processEvents();
  opt.rect = combo->rect();
  EXPECT_GE(combo->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxArrow, combo).width(),
            combo->height() - 1);
}

TEST_F(Layout, TheStatusLineShowsAtOnceWhatTheStationDoes) {
  Start(kScreens[0]);
  auto* status = View(station.frmMain)->findChild<QLabel*>(QStringLiteral("statusText"));
  ASSERT_NE(status, nullptr);
  EXPECT_TRUE(status->isVisibleTo(View(station.frmMain)));
  // Drawn before the call returns, without waiting for the next sync.
  station.frmMain.SetStatusText("Zone 2: running FIX1.prg...");
  EXPECT_EQ(status->text().toStdString(), "Zone 2: running FIX1.prg...");
}

TEST_F(Layout, WindowsOpenWhereTheyWereLeftOrCentred) {
  std::map<std::string, std::string> saved{{"frmMain", "40 50 600 700"}};
  host.loadPlacement = [&](const std::string& form) { return saved[form]; };
  host.savePlacement = [&](const std::string& form, const std::string& where) { saved[form] = where; };
  Start(kScreens[1]);  // small enough for the offscreen screen
  QWidget* main = View(station.frmMain);
  EXPECT_EQ(main->geometry(), QRect(40, 50, 600, 700));

  station.frmMain("mnuAbout").Click();
  host.SyncAll();
  QWidget* about = View(station.frmSplash);
  ASSERT_NE(about, nullptr);
  EXPECT_LE((about->frameGeometry().center() - main->frameGeometry().center()).manhattanLength(), 2);
  EXPECT_EQ(saved.count("frmSplash"), 0u);  // a fixed window opens centred every time

  main->setGeometry(60, 70, 620, 710);
  station.frmMain.Hide();
  EXPECT_EQ(saved["frmMain"], "60 70 620 710");
}

}  // namespace
}  // namespace zarvane
