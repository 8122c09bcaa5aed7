// The qualification dialog as drawn: a default Measure button, Escape as
// Cancel, nothing clipped in the shipped languages.
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <fstream>
#include <sstream>

#include "clipping.h"
#include "host/qualform.h"
#include "station_fixture.h"

namespace zarvane {
namespace {

TEST_F(StationWindows, TheQualificationDialogMeasuresOnEnterCancelsOnEscapeAndFitsEveryLanguage) {
  std::ifstream lang(std::string(ZARVANE_DEMO_HOME) + "/Lang.ini", std::ios::binary);
  std::stringstream table;
  table << lang.rdbuf();
  languageTable = table.str();
  Start("");
  FrmSelect dialog(forms, core);
  dialog.Load();
  dialog("cmbProbe").AddItem("PROBE1");
  dialog("cmbProbe").SetListIndex(0);
  dialog("cmbArtifact").AddItem("SPHERE1");
  dialog("cmbArtifact").SetListIndex(0);
  for (int language = 1; language <= 5; ++language) {
    core.loadLanguage(language);
    dialog.Show(false);
    host.SyncAll();
    for (const std::string& p : ClippedCaptions(host.ViewOf(dialog), dialog)) ADD_FAILURE() << language << ": " << p;
  }
  core.loadLanguage(1);
  auto* measure = Widget<QPushButton>(dialog, "cmdOK");
  ASSERT_NE(measure, nullptr);
  EXPECT_TRUE(measure->isDefault());

  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(View(dialog), &escape);
  QApplication::processEvents();
  EXPECT_FALSE(dialog.Visible());
  EXPECT_EQ(dialog("cmbProbe").Text(), "");  // read as a cancel

  // Enter in a box measures: the choice stays.
  dialog("cmbProbe").SetListIndex(0);
  dialog.Show(false);
  host.SyncAll();
  auto* probe = View(dialog)->findChild<QWidget*>("cmbProbe");
  ASSERT_NE(probe, nullptr);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(probe, &enter);
  QApplication::processEvents();
  EXPECT_FALSE(dialog.Visible());
  EXPECT_EQ(dialog("cmbProbe").Text(), "PROBE1");
}

}  // namespace
}  // namespace zarvane
