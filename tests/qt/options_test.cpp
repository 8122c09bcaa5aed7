// The inspection options window and its two dialogs as drawn: every control
// in place, nothing clipped in the shipped languages and text sizes, and the
// window within a 1366x768 screen with four zones.
#include <QLineEdit>
#include <QMainWindow>
#include <sstream>

#include "clipping.h"
#include "cycle/cycle.h"
#include "qtui/formlayout.h"
#include "station_fixture.h"
#include "station/zones.h"

namespace zarvane {
namespace {

std::string DemoFile(const std::string& name) {
  std::ifstream in(std::string(ZARVANE_DEMO_HOME) + "/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class OptionsWindow : public StationWindows {
 protected:
  OptionsWindow() {
    languageTable = DemoFile("Lang.ini");
    fs::create_directories(home / "blades" / "Demo");
    for (const char* file : {"Demo.nom", "Demo.tol", "Demo.op", "KT1.flv"})
      std::ofstream(home / "blades" / "Demo" / file, std::ios::binary) << DemoFile(std::string("blades/Demo/") + file);
    std::ofstream(home / "blades" / "Demo" / "Demo.mbr", std::ios::binary) << "1\r\n2\r\n3\r\n";
    core.gBladesDir = (home / "blades").string();
    station.zones = &zonePanels;
  }
  ~OptionsWindow() override { QApplication::setFont(font_); }

  // Starts the station and measures `zones` zones of the demo part.
  void Measure(int zones, const std::string& settings) {
    Start("MBR = ON\r\nSingleZone = OFF\r\n" + settings);
    for (int z = 1; z <= zones; ++z) {
      station.frmMain("comboBlade", z).SetListIndex(0);
      zonePanels.comboBlade_Click(z);
    }
    cycle.measure.cmdGo_Click();
    host.SyncAll();
  }
  void SetTextSize(double factor) {
    QFont font = font_;
    font.setPointSizeF(font_.pointSizeF() * factor);
    QApplication::setFont(font);
  }

  QFont font_ = QApplication::font();
  PartFiles files{core};
  Zones zonePanels{core, station, files};
  Cycle cycle{core, station, zonePanels, files};
};

const char* kStatistics =
    "STAT1 = OPERATOR Operator Name\r\nSTAT2 = SHIFT Shift\r\nSTAT3 = MACHINE Machine\r\nSTAT4 = LOT Lot\r\n"
    "STAT5 = HEAT Heat Number\r\nSTAT6 = ORDER Work Order\r\nSTAT7 = GAUGE Gauge\r\nSTAT8 = NOTE Note\r\n";

TEST_F(OptionsWindow, NothingIsClippedInAnyLanguageTextSizeOrZoneCount) {
  for (int zones : {1, 2, 4}) {
    for (int language : {1, 2, 4}) {
      for (double size : {1.0, 1.25, 1.5}) {
        SCOPED_TRACE("zones " + std::to_string(zones) + " language " + std::to_string(language) + " text " +
                     std::to_string(size));
        SetTextSize(size);
        // Each pass starts from a fresh station.
        Forms f(&tp.clock);
        QtFormHost qt(f);
        Core c(tp.platform, op, f);
        Station s(c);
        PartFiles pf(c);
        Zones zp(c, s, pf);
        Cycle cy(c, s, zp, pf);
        c.gBladesDir = (home / "blades").string();
        s.zones = &zp;
        std::ofstream(home / "zarv.ini", std::ios::binary)
            << "Interface = CMM1\r\nMBR = ON\r\nSingleZone = OFF\r\nLanguage = " << language << "\r\n"
            << kStatistics;
        std::ofstream(home / "Lang.ini", std::ios::binary) << languageTable;
        ASSERT_TRUE(s.Start(home.string(), {}));
        for (int z = 1; z <= zones; ++z) {
          s.frmMain("comboBlade", z).SetListIndex(0);
          zp.comboBlade_Click(z);
        }
        cy.measure.cmdGo_Click();
        qt.SyncAll();
        QWidget* view = qt.ViewOf(cy.options.Window());
        ASSERT_NE(view, nullptr);
        EXPECT_TRUE(view->isVisible());
        for (const std::string& p : ClippedCaptions(view, cy.options.Window())) ADD_FAILURE() << p;
        cy.options.optCust_Click(1);
        cy.options.blades.form.Load();
        cy.options.blades.form.Show(false);
        qt.SyncAll();
        for (Form* dialog : std::initializer_list<Form*>{&cy.options.sections.form, &cy.options.blades.form})
          for (const std::string& p : ClippedCaptions(qt.ViewOf(*dialog), *dialog)) ADD_FAILURE() << p;
      }
    }
  }
}

// A 1366x768 screen leaves a window about 700 pixels below its title bar.
constexpr int kScreenWidth = 1366, kRoomHeight = 700;

TEST_F(OptionsWindow, FourZonesFitALaptopScreenAndMeasureIsAlwaysInReach) {
  // The largest grid: a flavor offering all 25 rows.
  std::string calcs;
  for (const char* edge : {"LE", "TE"}) {
    calcs += std::string(edge) + "THCK\r\n";
    for (int n = 2; n <= 10; ++n) calcs += std::string(edge) + "THCK" + std::to_string(n) + "\r\n";
  }
  calcs += "MAXTHK\r\nCHORD\r\nCHDANG\r\nRELCHDANG\r\nTWIST\r\n";
  std::ofstream(home / "blades" / "Demo" / "KT1.flv", std::ios::binary) << "CALCS = 25\r\n" << calcs;
  Measure(4, "STAT1 = OPERATOR Operator Name\r\nSTAT2 = SHIFT Shift\r\n");
  ASSERT_TRUE(cycle.options.Window()("lbl", 25).Visible());
  FrmInspOpt& w = cycle.options.Window();
  std::string why;
  EXPECT_TRUE(CaptionsFit(w, 1.0, 1.0, QApplication::font(), &why)) << why;
  EXPECT_LE(w.Width() / kTwipsPerPixel, kScreenWidth);
  EXPECT_LE(w.Height() / kTwipsPerPixel, kRoomHeight);
  // Eight statistics fields make it taller; the serial boxes and Measure stay in reach.
  std::ofstream(home / "zarv.ini", std::ios::binary | std::ios::app) << kStatistics;
  cycle.measure.cmdGo_Click();
  const auto bottom = [&](const Control& c) {
    const Control* frame = c.Container().empty() ? nullptr : w.Find(c.Container());
    return (c.Bottom() + (frame ? frame->Top() : 0)) / kTwipsPerPixel;
  };
  EXPECT_LE(bottom(w("cmbSN", 4)), kRoomHeight);
  EXPECT_LE(bottom(w("cmdMeasure")), kRoomHeight);
  EXPECT_TRUE(w("cmbStat", 8).Visible());
}

TEST_F(OptionsWindow, OneZoneIsDrawnAtItsDesignSize) {
  // Every group is as wide as the widest title needs, so one zone is not scaled up.
  Measure(1, "");
  std::string why;
  EXPECT_TRUE(CaptionsFit(cycle.options.Window(), 1.0, 1.0, QApplication::font(), &why)) << why;
}

TEST_F(OptionsWindow, TheFilledWindowShowsEachZonesChoices) {
  Measure(2, "PRINTMODE = OOT\r\nFEATURE_CHECKALL = ON\r\nMAXTHK = OFF\r\nKeyLabel = ROUTER Router #\r\n");
  FrmInspOpt& w = cycle.options.Window();
  auto* view = static_cast<QMainWindow*>(host.ViewOf(w));
  ASSERT_NE(view, nullptr);
  auto* name = view->findChild<QLabel*>("lbl(3)");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->text().toStdString(), "Max Thickness");
  auto* box = view->findChild<QCheckBox*>("chkFeat3(2)");
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(box->isChecked());  // MAXTHK = OFF wins over FEATURE_CHECKALL
  EXPECT_TRUE(view->findChild<QCheckBox*>("chkFeat1(2)")->isChecked());
  EXPECT_TRUE(view->findChild<QRadioButton*>("optPrintOOT(1)")->isChecked());
  // Zones without a part take no column; the serial frame names the key label.
  EXPECT_FALSE(view->findChild<QWidget*>("framFeatSel(3)")->isVisibleTo(view));
  EXPECT_EQ(view->findChild<QGroupBox*>("framKey")->title().toStdString(), "Router #");
  EXPECT_TRUE(view->findChild<QPushButton*>("cmdMBR(2)")->isVisibleTo(view));
  // The station can put the focus into a box, its text selected.
  w("cmbSN", 2).SetText("S-17");
  host.SyncAll();
  view->activateWindow();
  w("cmbSN", 2).SetFocus(true);
  auto* serial = view->findChild<QComboBox*>("cmbSN(2)");
  EXPECT_TRUE(view->focusWidget() == serial || view->focusWidget() == serial->lineEdit());
  EXPECT_EQ(serial->lineEdit()->selectedText().toStdString(), "S-17");
  // The main window's zone panels wait behind the window; closing it is its Exit.
  EXPECT_FALSE(View(station.frmMain)->findChild<QWidget*>("comboBlade(1)")->isEnabled());
  host.onCloseRequest = [this](Form& form) { return cycle.CloseRequested(form); };
  view->close();
  QCoreApplication::processEvents();
  host.SyncAll();
  EXPECT_TRUE(w.Loaded());
  EXPECT_FALSE(w.Visible());
  EXPECT_TRUE(View(station.frmMain)->findChild<QWidget*>("comboBlade(1)")->isEnabled());
}

}  // namespace
}  // namespace zarvane
