// The station's real main window and splash drawn offscreen by the Qt layer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "foundation/core.h"
#include "platform/doubles.h"
#include "qtui/formhost.h"
#include "qtui/qtoperator.h"
#include "station/station.h"
#include "station_fixture.h"

namespace zarvane {
namespace {

TEST_F(StationWindows, MainWindowShowsFourCaptionedZonePanels) {
  Start("SingleZone = OFF\r\n");
  ASSERT_NE(View(station.frmMain), nullptr);
  EXPECT_TRUE(View(station.frmMain)->isVisible());
  for (int zone = 1; zone <= 4; ++zone) {
    const std::string n = "(" + std::to_string(zone) + ")";
    auto* frame = Widget<QGroupBox>(station.frmMain, ("framZone" + n).c_str());
    ASSERT_NE(frame, nullptr) << zone;
    EXPECT_EQ(frame->title().toStdString(), "Zone " + std::to_string(zone));
    EXPECT_TRUE(frame->isVisible());
    for (const char* box : {"comboBlade", "cmbFixture", "cmbOp"}) {
      auto* combo = Widget<QComboBox>(station.frmMain, (std::string(box) + n).c_str());
      ASSERT_NE(combo, nullptr) << box << zone;
      EXPECT_EQ(combo->parentWidget(), frame);
    }
    auto* label = Widget<QLabel>(station.frmMain, ("lblPart" + n).c_str());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text().toStdString(), "Part #");
  }
  auto* go = Widget<QPushButton>(station.frmMain, "cmdGo");
  ASSERT_NE(go, nullptr);
  EXPECT_EQ(go->text().toStdString(), "Measure");
  EXPECT_FALSE(go->isEnabled());
  auto* exitButton = Widget<QPushButton>(station.frmMain, "cmdExit");
  ASSERT_NE(exitButton, nullptr);
  EXPECT_EQ(exitButton->text().toStdString(), "Exit");
  EXPECT_FALSE(Widget<QComboBox>(station.frmMain, "cmbRoute")->isVisible());
}

TEST_F(StationWindows, MenusCarryTheirNamesAndTheLanguageCheckMark) {
  Start("SingleZone = OFF\r\nLanguage = 2\r\n");
  auto* english = Widget<QAction>(station.frmMain, "mnuEnglish");
  auto* french = Widget<QAction>(station.frmMain, "mnuFrench");
  ASSERT_NE(english, nullptr);
  ASSERT_NE(french, nullptr);
  EXPECT_TRUE(french->isChecked());
  EXPECT_FALSE(english->isChecked());
  EXPECT_EQ(Widget<QPushButton>(station.frmMain, "cmdExit")->text().toStdString(), "Quitter");
  EXPECT_EQ(Widget<QLabel>(station.frmMain, "lblPart(1)")->text(), QString::fromUtf8("Pièce"));
  english->trigger();
  EXPECT_TRUE(english->isChecked());
  EXPECT_EQ(Widget<QPushButton>(station.frmMain, "cmdExit")->text().toStdString(), "Exit");
  auto* settings = Widget<QAction>(station.frmMain, "mnuSettings");
  ASSERT_NE(settings, nullptr);
  EXPECT_FALSE(settings->isVisible());  // shown only in TEST mode
  EXPECT_NE(Widget<QAction>(station.frmMain, "mnuExit"), nullptr);
}

TEST_F(StationWindows, SplashShowsProductStatusAndTheAboutButtons) {
  Start("SingleZone = ON\r\n");
  EXPECT_EQ(View(station.frmSplash), nullptr);  // unloaded at the end of start-up
  Widget<QLabel>(station.frmMain, "picLogo");
  station.frmMain("picLogo").Click();
  host.SyncAll();
  ASSERT_NE(View(station.frmSplash), nullptr);
  EXPECT_EQ(Widget<QLabel>(station.frmSplash, "lblProductName")->text().toStdString(), "Zarvane 1.0");
  EXPECT_EQ(Widget<QLabel>(station.frmSplash, "lblStatus")->text().toStdString(), "and Quorvex ");
  EXPECT_FALSE(Widget<QLabel>(station.frmSplash, "lblCopyright")->text().isEmpty());
  for (const char* button : {"cmdOK", "cmdHelp", "cmdSysInfo"}) {
    auto* b = Widget<QPushButton>(station.frmSplash, button);
    ASSERT_NE(b, nullptr) << button;
    EXPECT_TRUE(b->isVisible()) << button;
  }
  Widget<QPushButton>(station.frmSplash, "cmdOK")->click();
  EXPECT_EQ(View(station.frmSplash), nullptr);
}

TEST_F(StationWindows, ACaptionSetLaterIsDrawnTranslatedOnce) {
  Start("SingleZone = OFF\r\nLanguage = 2\r\n");
  station.frmMain("lblProbe").SetCaption("Part #");
  host.SyncAll();
  EXPECT_EQ(Widget<QLabel>(station.frmMain, "lblProbe")->text(), QString::fromUtf8("Pièce"));
  const auto revision = station.frmMain.Revision();
  host.SyncAll();
  EXPECT_EQ(station.frmMain.Revision(), revision);  // painting again changes nothing
}

TEST_F(StationWindows, AKeyPressClosesTheAboutBox) {
  Start("SingleZone = ON\r\n");
  auto press = [](QWidget* target) {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(target, &key);
  };
  station.frmMain("picLogo").Click();
  host.SyncAll();
  ASSERT_NE(View(station.frmSplash), nullptr);
  press(Widget<QPushButton>(station.frmSplash, "cmdHelp"));  // a key in a control that has the focus
  EXPECT_FALSE(station.frmSplash.Loaded());
  EXPECT_EQ(View(station.frmSplash), nullptr);
  EXPECT_TRUE(tp.shell.calls.empty());  // the key did not press the button

  station.frmMain("picLogo").Click();
  host.SyncAll();
  ASSERT_NE(View(station.frmSplash), nullptr);
  press(View(station.frmSplash));  // a key on the window itself
  EXPECT_FALSE(station.frmSplash.Loaded());
  press(View(station.frmMain));  // the main window takes no such key
  EXPECT_TRUE(station.frmMain.Visible());
}

TEST_F(StationWindows, SingleZoneScreenHidesTheOtherZones) {
  Start("SingleZone = ON\r\nSZ_Serial = ON\r\nKeyLabel = Router Card\r\n");
  EXPECT_EQ(View(station.frmMain)->windowTitle().toStdString(), "Zarvane");
  EXPECT_TRUE(Widget<QGroupBox>(station.frmMain, "framZone(1)")->isVisible());
  EXPECT_FALSE(Widget<QGroupBox>(station.frmMain, "framZone(2)")->isVisible());
  EXPECT_EQ(Widget<QLabel>(station.frmMain, "lblRoute")->text().toStdString(), "Router Card");
  EXPECT_TRUE(Widget<QComboBox>(station.frmMain, "cmbRoute")->isVisible());
  EXPECT_FALSE(Widget<QAction>(station.frmMain, "mnuCopyZones")->isVisible());
}

}  // namespace
}  // namespace zarvane
