// The Qt windows drawn from window models, on the offscreen platform: widgets
// mirror the controls, operator actions reach the handlers, and model changes
// come back into the widgets.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QFocusEvent>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <stdexcept>

#include "foundation/forms.h"
#include "qtui/formhost.h"
#include "qtui/formlayout.h"
#include "qtui/touchstyle.h"
#include "qtui/qtoperator.h"

namespace zarvane {
namespace {

QtMessageHandler previousMessageHandler = nullptr;

// The offscreen platform reports every raise() it cannot do; those lines say nothing here.
void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QLatin1String("This plugin does not support"))) return;
  if (previousMessageHandler) previousMessageHandler(type, context, message);
}

void EnsureApplication() {
  if (QApplication::instance()) return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  previousMessageHandler = qInstallMessageHandler(QuietOffscreenNotes);
  static int argc = 1;
  static char name[] = "zarvane_qt_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);  // lives as long as the test process
  QApplication::setQuitOnLastWindowClosed(false);
  InstallTouchStyle();
}

// A window with one of each kind of control. Design size 6000 x 4500 twips = 400 x 300 px.
class TestForm : public Form {
 public:
  explicit TestForm(Forms& forms) : Form(forms, "frmTest") {
    SetCaption("Blade inspection");
    Resize(6000, 4500);

    Control& frame = Add(ControlType::Frame, "fraBlade");
    frame.SetCaption("&Blade");
    frame.Move(150, 150, 3000, 3000);
    Control& info = Add(ControlType::Label, "lblInfo");
    info.SetContainer("fraBlade");
    info.SetCaption("Section && profile");
    info.SetToolTip("What is measured");
    info.Move(150, 450, 2700, 300);
    Control& combo = Add(ControlType::ComboBox, "comboBlade", 1);
    combo.SetContainer("fraBlade");
    for (const char* item : {"Stage 1", "Stage 2", "Stage 3"}) combo.AddItem(item);
    combo.SetListIndex(0);
    combo.Move(150, 900, 2700, 480);
    for (int i = 0; i < 2; ++i) {
      Control& option = Add(ControlType::OptionButton, "optMode", i);
      option.SetContainer("fraBlade");
      option.SetCaption(i == 0 ? "Leading edge" : "Trailing edge");
      option.Move(150, 1500 + i * 450, 2700, 330);
    }
    optMode(0).SetValue(1);

    Control& go = Add(ControlType::CommandButton, "cmdGo");
    go.SetCaption("&Go");
    go.Move(3300, 150, 1500, 450);
    Control& stop = Add(ControlType::CommandButton, "cmdStop");
    stop.SetCaption("Stop");
    stop.SetEnabled(false);
    stop.Move(3300, 700, 1500, 450);
    Control& save = Add(ControlType::CheckBox, "chkSave");
    save.SetCaption("Save results");
    save.Move(3300, 1300, 2000, 300);
    Control& serial = Add(ControlType::TextBox, "txtSerial");
    serial.Move(3300, 1700, 2000, 390);
    Control& hidden = Add(ControlType::Label, "lblHidden");
    hidden.SetCaption("Hidden");
    hidden.SetVisible(false);
    hidden.Move(3300, 2100, 2000, 300);
    Control& sections = Add(ControlType::ListBox, "lstSections");
    for (const char* item : {"A-A", "B-B", "C-C"}) sections.AddItem(item);
    sections.Move(150, 3300, 1500, 900);
    Add(ControlType::PictureBox, "picLogo").Move(1800, 3300, 600, 600);
    Control& blade = Add(ControlType::Image, "imgBlade");
    blade.SetStretch(true);
    blade.Move(2550, 3300, 600, 600);
    Control& progress = Add(ControlType::ProgressBar, "prgRun");
    progress.SetValue(40);
    progress.Move(3300, 2500, 2000, 300);
    Control& report = Add(ControlType::RichTextBox, "rtfReport");
    report.SetText("Line 1\r\nLine 2");
    report.Move(3300, 2900, 2500, 1000);
    Add(ControlType::Shape, "shpBox").Move(5850, 4050, 100, 100);
    Add(ControlType::Timer, "tmrPoll").SetInterval(100);

    Add(ControlType::Menu, "mnuFile").SetCaption("&File");
    Control& open = Add(ControlType::Menu, "mnuFileOpen");
    open.SetCaption("&Open...");
    open.SetMenuParent("mnuFile");
    Control& separator = Add(ControlType::Menu, "mnuFileBar");
    separator.SetCaption("-");
    separator.SetMenuParent("mnuFile");
    Control& automatic = Add(ControlType::Menu, "mnuFileAuto");
    automatic.SetCaption("&Automatic");
    automatic.SetMenuParent("mnuFile");
    automatic.SetValue(1);
    Add(ControlType::Menu, "mnuHelp").SetCaption("&Help");
    Control& popup = Add(ControlType::Menu, "mnuPopup");
    popup.SetCaption("Popup");
    popup.SetVisible(false);
    Control& copy = Add(ControlType::Menu, "mnuPopupCopy");
    copy.SetCaption("&Copy");
    copy.SetMenuParent("mnuPopup");
  }

  Control& optMode(int index) { return (*this)("optMode", index); }

  void Form_Paint() override { ++paints; }
  void Form_Resize() override { ++resizes; }

  int paints = 0;
  int resizes = 0;
};

// A small dialog for the modal runs.
class DialogForm : public Form {
 public:
  explicit DialogForm(Forms& forms) : Form(forms, "frmDialog") {
    SetCaption("Confirm");
    Resize(3000, 1500);
    Add(ControlType::CommandButton, "cmdOk").Move(150, 150, 1200, 450);
  }
};

QMouseEvent MouseEvent(QEvent::Type type, Qt::MouseButton button) {
  return QMouseEvent(type, QPointF(2, 2), QPointF(2, 2), button, button, Qt::NoModifier);
}

void Type(QWidget* widget, const QString& text) {
  for (QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QCoreApplication::sendEvent(widget, &press);
  }
}

void PressKey(QWidget* widget, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &press);
}

class QtFormHostTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }

  void SetUp() override {
    host.onError = [this](const std::string& message) { errors.push_back(message); };
    form.Show();
  }

  void TearDown() override {
    form.Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  QMainWindow* View() { return static_cast<QMainWindow*>(host.ViewOf(form)); }

  template <class W>
  W* Widget(const char* name) {
    QWidget* view = host.ViewOf(form);
    return view ? view->findChild<W*>(QString::fromLatin1(name)) : nullptr;
  }

  // Resizes the window so its client area gets `client` and lets Qt deliver the events.
  void ResizeClient(QSize client) {
    QMainWindow* view = View();
    view->resize(client + (view->size() - view->findChild<QWidget*>("client")->size()));
    QCoreApplication::processEvents();
  }

  Forms forms{nullptr};
  QtFormHost host{forms};
  TestForm form{forms};
  std::vector<std::string> errors;
};

// --- Drawing the controls -----------------------------------------------------

TEST_F(QtFormHostTest, DrawsEachControlAsAWidgetNamedAfterIt) {
  QMainWindow* view = View();
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->isVisible());
  EXPECT_EQ(view->windowTitle(), "Blade inspection");
  EXPECT_EQ(view->findChild<QWidget*>("client")->size(), QSize(400, 300));
  std::string problem;
  EXPECT_TRUE(CaptionsFit(form, 1.0, 1.0, QApplication::font(), &problem)) << problem;

  auto* frame = Widget<QGroupBox>("fraBlade");
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->title(), "&Blade");
  EXPECT_EQ(frame->geometry(), QRect(10, 10, 200, 200));

  auto* info = Widget<QLabel>("lblInfo");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->parentWidget(), frame);
  EXPECT_EQ(info->text(), "Section & profile");
  EXPECT_EQ(info->toolTip(), "What is measured");
  EXPECT_EQ(info->geometry(), QRect(10, 30, 180, 20));

  auto* combo = Widget<QComboBox>("comboBlade(1)");
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->parentWidget(), frame);
  EXPECT_TRUE(combo->isEditable());
  ASSERT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->itemText(2), "Stage 3");
  EXPECT_EQ(combo->currentIndex(), 0);
  EXPECT_EQ(combo->currentText(), "Stage 1");

  auto* go = Widget<QPushButton>("cmdGo");
  ASSERT_NE(go, nullptr);
  EXPECT_EQ(go->text(), "&Go");
  EXPECT_EQ(go->parentWidget(), view->findChild<QWidget*>("client"));
  EXPECT_TRUE(go->isVisible());
  EXPECT_TRUE(go->isEnabled());
  ASSERT_NE(Widget<QPushButton>("cmdStop"), nullptr);
  EXPECT_FALSE(Widget<QPushButton>("cmdStop")->isEnabled());
  ASSERT_NE(Widget<QLabel>("lblHidden"), nullptr);
  EXPECT_TRUE(Widget<QLabel>("lblHidden")->isHidden());

  ASSERT_NE(Widget<QCheckBox>("chkSave"), nullptr);
  EXPECT_EQ(Widget<QCheckBox>("chkSave")->text(), "Save results");
  EXPECT_FALSE(Widget<QCheckBox>("chkSave")->isChecked());
  ASSERT_NE(Widget<QRadioButton>("optMode(0)"), nullptr);
  EXPECT_TRUE(Widget<QRadioButton>("optMode(0)")->isChecked());
  EXPECT_FALSE(Widget<QRadioButton>("optMode(1)")->isChecked());
  EXPECT_EQ(Widget<QRadioButton>("optMode(1)")->parentWidget(), frame);
  EXPECT_NE(Widget<QLineEdit>("txtSerial"), nullptr);

  EXPECT_EQ(view->findChild<QObject*>("tmrPoll"), nullptr);  // timers have no widget
}

TEST_F(QtFormHostTest, DrawsListsProgressRichTextAndShapes) {
  auto* sections = Widget<QListWidget>("lstSections");
  ASSERT_NE(sections, nullptr);
  ASSERT_EQ(sections->count(), 3);
  EXPECT_EQ(sections->item(1)->text(), "B-B");
  EXPECT_TRUE(sections->selectedItems().isEmpty());

  ASSERT_NE(Widget<QProgressBar>("prgRun"), nullptr);
  EXPECT_EQ(Widget<QProgressBar>("prgRun")->value(), 40);
  form("prgRun").SetValue(250);
  host.Refresh(form);
  EXPECT_EQ(Widget<QProgressBar>("prgRun")->value(), 100);

  auto* report = Widget<QTextEdit>("rtfReport");
  ASSERT_NE(report, nullptr);
  EXPECT_TRUE(report->isReadOnly());
  EXPECT_EQ(report->toPlainText(), "Line 1\nLine 2");

  auto* shape = Widget<QFrame>("shpBox");
  ASSERT_NE(shape, nullptr);
  EXPECT_EQ(shape->frameShape(), QFrame::NoFrame);
}

TEST_F(QtFormHostTest, PicturesShowTheirFileOrNothing) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QImage image(12, 8, QImage::Format_RGB32);
  image.fill(Qt::red);
  const QString path = dir.filePath("blade.png");
  ASSERT_TRUE(image.save(path));

  auto* logo = Widget<QLabel>("picLogo");
  auto* blade = Widget<QLabel>("imgBlade");
  ASSERT_NE(logo, nullptr);
  ASSERT_NE(blade, nullptr);
  EXPECT_TRUE(logo->pixmap().isNull());

  form("picLogo").SetPicture(path.toStdString());
  form("imgBlade").SetPicture(path.toStdString());
  host.Refresh(form);
  EXPECT_EQ(logo->pixmap().size(), QSize(12, 8));
  EXPECT_FALSE(logo->hasScaledContents());
  EXPECT_FALSE(blade->pixmap().isNull());
  EXPECT_TRUE(blade->hasScaledContents());

  form("picLogo").SetPicture("");
  host.Refresh(form);
  EXPECT_TRUE(logo->pixmap().isNull());
}

TEST_F(QtFormHostTest, ConvertsWindows1252TextsBothWays) {
  form.SetCaption("Aube \xE9tage 2");
  form("lblInfo").SetCaption("Ma\xDF \xB5m");
  host.Refresh(form);
  EXPECT_EQ(View()->windowTitle(), QString::fromUtf8("Aube \u00E9tage 2"));
  EXPECT_EQ(Widget<QLabel>("lblInfo")->text(), QString::fromUtf8("Ma\u00DF \u00B5m"));

  Type(Widget<QLineEdit>("txtSerial"), QString::fromUtf8("\u00FC\u20AC"));
  EXPECT_EQ(form("txtSerial").Text(), "\xFC\x80");
}

// --- Operator actions ---------------------------------------------------------

TEST_F(QtFormHostTest, ButtonClickRunsTheHandlerAndRedrawsWhatItChanged) {
  int clicks = 0;
  form("cmdGo").onClick = [&] {
    ++clicks;
    form("lblInfo").SetCaption("Measuring");
    form("cmdGo").SetEnabled(false);
  };
  Widget<QPushButton>("cmdGo")->click();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(Widget<QLabel>("lblInfo")->text(), "Measuring");
  EXPECT_FALSE(Widget<QPushButton>("cmdGo")->isEnabled());
}

TEST_F(QtFormHostTest, ChoosingAComboItemSetsListIndexAndText) {
  Control& combo = form("comboBlade", 1);
  int indexSeen = -2;
  std::string textSeen;
  combo.onClick = [&] {
    indexSeen = combo.ListIndex();
    textSeen = combo.Text();
  };
  auto* widget = Widget<QComboBox>("comboBlade(1)");
  widget->setCurrentIndex(2);
  emit widget->activated(2);
  EXPECT_EQ(indexSeen, 2);
  EXPECT_EQ(textSeen, "Stage 3");
  EXPECT_EQ(combo.ListIndex(), 2);
  EXPECT_EQ(widget->currentText(), "Stage 3");
}

TEST_F(QtFormHostTest, TypingSetsTheTextAndKeepsTheOperatorsCursor) {
  Control& serial = form("txtSerial");
  std::vector<std::string> changes;
  serial.onChange = [&] { changes.push_back(serial.Text()); };
  auto* edit = Widget<QLineEdit>("txtSerial");
  Type(edit, "ab");
  EXPECT_EQ(changes, (std::vector<std::string>{"a", "ab"}));
  EXPECT_EQ(serial.Text(), "ab");

  // A redraw for another control's change leaves the text being typed alone.
  edit->setCursorPosition(1);
  form("lblInfo").SetCaption("Other change");
  host.Refresh(form);
  EXPECT_EQ(edit->text(), "ab");
  EXPECT_EQ(edit->cursorPosition(), 1);

  // A change by the model is drawn.
  serial.SetText("SN-1234");
  host.Refresh(form);
  EXPECT_EQ(edit->text(), "SN-1234");

  auto* combo = Widget<QComboBox>("comboBlade(1)");
  combo->lineEdit()->selectAll();
  Type(combo->lineEdit(), "Stage 9");
  EXPECT_EQ(form("comboBlade", 1).Text(), "Stage 9");
  EXPECT_EQ(combo->currentText(), "Stage 9");
}

TEST_F(QtFormHostTest, TextTheModelDidNotChangeIsNotOverwritten) {
  // Text in the widget that has not reached the model (as while the operator types).
  auto* edit = Widget<QLineEdit>("txtSerial");
  edit->setText("typing");
  form("lblInfo").SetCaption("Other change");
  host.Refresh(form);
  EXPECT_EQ(edit->text(), "typing");
  form("txtSerial").SetText("");
  host.Refresh(form);
  EXPECT_EQ(edit->text(), "typing");  // the model's text was "" before as well
  form("txtSerial").SetText("SN-1");
  host.Refresh(form);
  EXPECT_EQ(edit->text(), "SN-1");
}

TEST_F(QtFormHostTest, DrawingModelChangesFiresNoHandlers) {
  std::vector<std::string> fired;
  for (const char* name : {"comboBlade(1)", "chkSave", "optMode(1)", "lstSections", "txtSerial",
                           "mnuFileAuto", "cmdGo"}) {
    Control* c = form.Find(name);
    ASSERT_NE(c, nullptr);
    c->onClick = [&fired, name] { fired.push_back(std::string(name) + " click"); };
    c->onChange = [&fired, name] { fired.push_back(std::string(name) + " change"); };
  }
  form("comboBlade", 1).SetListIndex(2);
  form("comboBlade", 1).AddItem("Stage 4");
  form("chkSave").SetValue(1);
  form.optMode(1).SetValue(1);
  form("lstSections").SetListIndex(2);
  form("lstSections").SetSelected(0, true);
  form("txtSerial").SetText("SN-9");
  form("mnuFileAuto").SetValue(0);
  form("cmdGo").SetVisible(false);
  form.Resize(7500, 6000);
  host.Refresh(form);
  QCoreApplication::processEvents();
  EXPECT_TRUE(fired.empty()) << fired.front();
  EXPECT_EQ(Widget<QComboBox>("comboBlade(1)")->currentText(), "Stage 3");
  EXPECT_TRUE(Widget<QCheckBox>("chkSave")->isChecked());
  EXPECT_TRUE(Widget<QListWidget>("lstSections")->item(0)->isSelected());
  EXPECT_EQ(View()->findChild<QWidget*>("client")->size(), QSize(500, 400));
}

TEST_F(QtFormHostTest, ReturnKeyInTextAndComboBoxesIsKeyDown13) {
  std::vector<int> keys;
  form("txtSerial").onKeyDown = [&](int key) { keys.push_back(key); };
  form("comboBlade", 1).onKeyDown = [&](int key) { keys.push_back(100 + key); };
  PressKey(Widget<QLineEdit>("txtSerial"), Qt::Key_Return);
  PressKey(Widget<QComboBox>("comboBlade(1)"), Qt::Key_Enter);
  EXPECT_EQ(keys, (std::vector<int>{13, 113}));
}

TEST_F(QtFormHostTest, CheckBoxShowsTheValueTheHandlerLeaves) {
  Control& save = form("chkSave");
  int clicks = 0;
  save.onClick = [&] { ++clicks; };
  auto* box = Widget<QCheckBox>("chkSave");
  box->click();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(save.Value(), 1);
  EXPECT_TRUE(box->isChecked());

  save.onClick = [&] { save.SetValue(1); };  // the model refuses to clear it
  box->click();
  EXPECT_EQ(save.Value(), 1);
  EXPECT_TRUE(box->isChecked());
}

TEST_F(QtFormHostTest, OptionButtonClickSetsValueAndTheModelKeepsTheGroup) {
  form.optMode(1).onClick = [&] { form.optMode(0).SetValue(0); };
  Widget<QRadioButton>("optMode(1)")->click();
  EXPECT_EQ(form.optMode(1).Value(), 1);
  EXPECT_TRUE(Widget<QRadioButton>("optMode(1)")->isChecked());
  EXPECT_FALSE(Widget<QRadioButton>("optMode(0)")->isChecked());

  // Clicking the chosen option again leaves it chosen.
  Widget<QRadioButton>("optMode(1)")->click();
  EXPECT_TRUE(Widget<QRadioButton>("optMode(1)")->isChecked());
}

TEST_F(QtFormHostTest, ListSelectionReachesTheModel) {
  Control& sections = form("lstSections");
  int clicks = 0;
  sections.onClick = [&] { ++clicks; };
  auto* list = Widget<QListWidget>("lstSections");
  list->setCurrentRow(1);
  EXPECT_GE(clicks, 1);
  EXPECT_EQ(sections.ListIndex(), 1);
  EXPECT_EQ(sections.Text(), "B-B");
  EXPECT_TRUE(sections.Selected(1));
  EXPECT_FALSE(sections.Selected(0));

  sections.SetSelected(2, true);
  host.Refresh(form);
  EXPECT_TRUE(list->item(2)->isSelected());
  EXPECT_TRUE(list->item(1)->isSelected());
}

TEST_F(QtFormHostTest, LabelsClickOnPressAndRightClicksAreMouseUp2) {
  std::vector<std::string> events;
  form("lblInfo").onClick = [&] { events.push_back("label click"); };
  form("lblInfo").onMouseUp = [&](int button) { events.push_back("label up " + std::to_string(button)); };
  form("fraBlade").onMouseUp = [&](int button) { events.push_back("frame up " + std::to_string(button)); };
  auto* label = Widget<QLabel>("lblInfo");

  auto leftPress = MouseEvent(QEvent::MouseButtonPress, Qt::LeftButton);
  QCoreApplication::sendEvent(label, &leftPress);
  auto rightRelease = MouseEvent(QEvent::MouseButtonRelease, Qt::RightButton);
  QCoreApplication::sendEvent(label, &rightRelease);
  auto frameRelease = MouseEvent(QEvent::MouseButtonRelease, Qt::RightButton);
  QCoreApplication::sendEvent(Widget<QGroupBox>("fraBlade"), &frameRelease);
  auto rightPress = MouseEvent(QEvent::MouseButtonPress, Qt::RightButton);
  QCoreApplication::sendEvent(label, &rightPress);  // no click for the right button

  EXPECT_EQ(events, (std::vector<std::string>{"label click", "label up 2", "frame up 2"}));
}

TEST_F(QtFormHostTest, FocusChangesWithinTheFormReachTheHandlers) {
  std::vector<std::string> events;
  form("txtSerial").onGotFocus = [&] { events.push_back("got"); };
  form("txtSerial").onLostFocus = [&] { events.push_back("lost"); };
  auto* edit = Widget<QLineEdit>("txtSerial");
  QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
  QCoreApplication::sendEvent(edit, &in);
  QFocusEvent toOtherWindow(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  QCoreApplication::sendEvent(edit, &toOtherWindow);
  QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
  QCoreApplication::sendEvent(edit, &out);
  EXPECT_EQ(events, (std::vector<std::string>{"got", "lost"}));
}

TEST_F(QtFormHostTest, HandlerExceptionsAreShownNotThrownIntoQt) {
  int clicks = 0;
  form("cmdGo").onClick = [&] {
    if (++clicks == 1) throw std::runtime_error("Probe not calibrated");
    form("lblInfo").SetCaption("Second try");
  };
  Widget<QPushButton>("cmdGo")->click();
  EXPECT_EQ(errors, (std::vector<std::string>{"Probe not calibrated"}));
  Widget<QPushButton>("cmdGo")->click();
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(Widget<QLabel>("lblInfo")->text(), "Second try");
}

// --- Menus ----------------------------------------------------------------------

TEST_F(QtFormHostTest, MenusFormTheMenuBar) {
  QMenuBar* bar = View()->menuBar();
  ASSERT_TRUE(bar->isVisibleTo(View()));
  const QList<QAction*> top = bar->actions();
  ASSERT_EQ(top.size(), 3);
  EXPECT_EQ(top[0]->objectName(), "mnuFile");
  EXPECT_EQ(top[0]->text(), "&File");
  EXPECT_TRUE(top[0]->isVisible());
  EXPECT_EQ(top[1]->objectName(), "mnuHelp");  // no items: a command on the bar
  EXPECT_EQ(top[1]->menu(), nullptr);
  EXPECT_EQ(top[2]->objectName(), "mnuPopup");
  EXPECT_FALSE(top[2]->isVisible());

  auto* file = View()->findChild<QMenu*>("mnuFile");
  ASSERT_NE(file, nullptr);
  const QList<QAction*> items = file->actions();
  ASSERT_EQ(items.size(), 3);
  EXPECT_EQ(items[0]->objectName(), "mnuFileOpen");
  EXPECT_EQ(items[0]->text(), "&Open...");
  EXPECT_FALSE(items[0]->isCheckable());
  EXPECT_TRUE(items[1]->isSeparator());
  EXPECT_EQ(items[2]->objectName(), "mnuFileAuto");
  EXPECT_TRUE(items[2]->isCheckable());
  EXPECT_TRUE(items[2]->isChecked());
}

TEST_F(QtFormHostTest, MenuCommandsRunTheirHandlers) {
  std::vector<std::string> events;
  form("mnuFile").onClick = [&] { events.push_back("file opened"); };
  form("mnuFileOpen").onClick = [&] { events.push_back("open"); };
  form("mnuHelp").onClick = [&] { events.push_back("help"); };
  Control& automatic = form("mnuFileAuto");
  automatic.onClick = [&] { automatic.SetValue(automatic.Value() ? 0 : 1); };

  View()->findChild<QAction*>("mnuFileOpen")->trigger();
  View()->findChild<QAction*>("mnuHelp")->trigger();
  emit View()->findChild<QMenu*>("mnuFile")->aboutToShow();
  EXPECT_EQ(events, (std::vector<std::string>{"open", "help", "file opened"}));

  auto* autoAction = View()->findChild<QAction*>("mnuFileAuto");
  autoAction->trigger();
  EXPECT_EQ(automatic.Value(), 0);
  EXPECT_FALSE(autoAction->isChecked());
  autoAction->trigger();
  EXPECT_EQ(automatic.Value(), 1);
  EXPECT_TRUE(autoAction->isChecked());
}

TEST_F(QtFormHostTest, MenuStateAndStructureFollowTheModel) {
  form("mnuFileOpen").SetVisible(false);
  form("mnuHelp").SetEnabled(false);
  form("mnuFileOpen").SetCaption("&Load...");
  host.Refresh(form);
  EXPECT_FALSE(View()->findChild<QAction*>("mnuFileOpen")->isVisible());
  EXPECT_EQ(View()->findChild<QAction*>("mnuFileOpen")->text(), "&Load...");
  EXPECT_FALSE(View()->findChild<QAction*>("mnuHelp")->isEnabled());

  // A menu added at run time (a window list, say) gets its entry.
  Control& recent = form.Add(ControlType::Menu, "mnuFileRecent", 0);
  recent.SetCaption("1 blade.dat");
  recent.SetMenuParent("mnuFile");
  int opened = 0;
  recent.onClick = [&] { ++opened; };
  host.Refresh(form);
  auto* action = View()->findChild<QAction*>("mnuFileRecent(0)");
  ASSERT_NE(action, nullptr);
  EXPECT_EQ(View()->findChild<QMenu*>("mnuFile")->actions().size(), 4);
  action->trigger();
  EXPECT_EQ(opened, 1);
}

TEST_F(QtFormHostTest, PopupShowsTheChildrenOfAnInvisibleMenu) {
  int copies = 0;
  form("mnuPopupCopy").onClick = [&] { ++copies; };
  bool shown = false;
  QObject context;
  QTimer::singleShot(0, &context, [&] {
    auto* popup = View()->findChild<QMenu*>("mnuPopup");
    shown = popup->isVisible();
    View()->findChild<QAction*>("mnuPopupCopy")->trigger();
    popup->hide();
  });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] { View()->findChild<QMenu*>("mnuPopup")->hide(); });
  watchdog.start(5000);
  host.ShowPopup(form, "mnuPopup");
  EXPECT_TRUE(shown);
  EXPECT_EQ(copies, 1);
}

// --- Keeping windows current -----------------------------------------------------

TEST_F(QtFormHostTest, RefreshDrawsModelChangesAtOnce) {
  form("lblInfo").SetCaption("Loading blade");
  form("lblHidden").SetVisible(true);
  form("comboBlade", 1).AddItem("Stage 4");
  form("cmdGo").SetToolTip("Start the cycle");
  EXPECT_EQ(Widget<QLabel>("lblInfo")->text(), "Section & profile");  // not drawn yet
  host.Refresh(form);
  EXPECT_EQ(Widget<QLabel>("lblInfo")->text(), "Loading blade");
  EXPECT_FALSE(Widget<QLabel>("lblHidden")->isHidden());
  EXPECT_EQ(Widget<QComboBox>("comboBlade(1)")->count(), 4);
  EXPECT_EQ(Widget<QComboBox>("comboBlade(1)")->currentText(), "Stage 1");
  EXPECT_EQ(Widget<QPushButton>("cmdGo")->toolTip(), "Start the cycle");
}

TEST_F(QtFormHostTest, TheEventLoopDrawsChangesMadeOutsideHandlers) {
  form("lblInfo").SetCaption("Changed by a timer");
  QEventLoop loop;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, [&] {
    if (Widget<QLabel>("lblInfo")->text() == "Changed by a timer") loop.quit();
  });
  check.start(5);
  QTimer::singleShot(5000, &loop, &QEventLoop::quit);  // gives up instead of hanging
  loop.exec();
  EXPECT_EQ(Widget<QLabel>("lblInfo")->text(), "Changed by a timer");
}

TEST_F(QtFormHostTest, OperatorStatusDrawsTheWindowsBeforeReturning) {
  QtOperator person(&host);
  form("lblInfo").SetCaption("Reading calibration");
  person.Status("Reading calibration");
  EXPECT_EQ(Widget<QLabel>("lblInfo")->text(), "Reading calibration");
}

TEST_F(QtFormHostTest, ControlsMoveBetweenContainers) {
  form("cmdGo").SetContainer("fraBlade");
  form("lblInfo").SetContainer("");
  host.Refresh(form);
  EXPECT_EQ(Widget<QPushButton>("cmdGo")->parentWidget(), Widget<QGroupBox>("fraBlade"));
  EXPECT_FALSE(Widget<QPushButton>("cmdGo")->isHidden());
  EXPECT_EQ(Widget<QLabel>("lblInfo")->parentWidget(), View()->findChild<QWidget*>("client"));
}

// --- The window -------------------------------------------------------------------

TEST_F(QtFormHostTest, WindowStateAndBorderFollowTheModel) {
  form.SetState(WindowState::Maximized);
  host.Refresh(form);
  EXPECT_TRUE(View()->windowState() & Qt::WindowMaximized);
  form.SetState(WindowState::Normal);
  form.SetBorder(false);
  host.Refresh(form);
  EXPECT_FALSE(View()->windowState() & Qt::WindowMaximized);
  EXPECT_TRUE(View()->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(View()->isVisible());

  // The operator minimising the window is reported to the model.
  const int resizes = form.resizes;
  View()->setWindowState(Qt::WindowMinimized);
  QCoreApplication::processEvents();
  EXPECT_EQ(form.State(), WindowState::Minimized);
  EXPECT_GT(form.resizes, resizes);
}

TEST_F(QtFormHostTest, ScalingFormsScaleTheirControlsWithTheWindow) {
  form.SetScalesControls(true);
  host.Refresh(form);
  auto* go = Widget<QPushButton>("cmdGo");
  const qreal designFont = go->font().pointSizeF();
  const int resizes = form.resizes;
  const int paints = form.paints;

  ResizeClient(QSize(800, 600));
  EXPECT_EQ(View()->findChild<QWidget*>("client")->size(), QSize(800, 600));
  EXPECT_EQ(go->geometry(), QRect(440, 20, 200, 60));
  EXPECT_EQ(Widget<QLabel>("lblInfo")->geometry(), QRect(20, 60, 360, 40));
  EXPECT_GT(go->font().pointSizeF(), designFont);
  EXPECT_GT(form.resizes, resizes);
  EXPECT_EQ(form.Width(), 6000);  // the design size stays
  EXPECT_EQ(form.paints, paints);  // painting the window is no Form_Paint

  ResizeClient(QSize(400, 300));
  EXPECT_EQ(go->geometry(), QRect(220, 10, 100, 30));
  EXPECT_EQ(go->font().pointSizeF(), designFont);
}

TEST_F(QtFormHostTest, FixedFormsKeepTheirControlsAndReportTheirSize) {
  auto* go = Widget<QPushButton>("cmdGo");
  const int resizes = form.resizes;
  ResizeClient(QSize(500, 360));
  EXPECT_EQ(go->geometry(), QRect(220, 10, 100, 30));
  EXPECT_EQ(form.Width(), 7500);
  EXPECT_EQ(form.Height(), 5400);
  EXPECT_GT(form.resizes, resizes);

  form.Resize(4500, 3000);
  host.Refresh(form);
  QCoreApplication::processEvents();
  EXPECT_EQ(View()->findChild<QWidget*>("client")->size(), QSize(300, 200));
}

TEST_F(QtFormHostTest, ShowingPaintsOnceAndHidingKeepsTheView) {
  EXPECT_EQ(form.paints, 1);  // Form::Show paints, the view does not
  QWidget* view = host.ViewOf(form);
  form.Hide();
  EXPECT_FALSE(view->isVisible());
  form.Show();
  EXPECT_EQ(host.ViewOf(form), view);
  EXPECT_TRUE(view->isVisible());
  form.Unload();
  EXPECT_EQ(host.ViewOf(form), nullptr);
}

TEST_F(QtFormHostTest, CloseButtonAsksTheModelBeforeUnloading) {
  int asked = 0;
  bool allow = false;
  host.onCloseRequest = [&](Form& closing) {
    ++asked;
    EXPECT_EQ(&closing, &form);
    return allow;
  };
  View()->close();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(form.Loaded());
  ASSERT_NE(View(), nullptr);
  EXPECT_TRUE(View()->isVisible());

  allow = true;
  View()->close();
  EXPECT_EQ(asked, 2);
  EXPECT_FALSE(form.Loaded());
  EXPECT_EQ(host.ViewOf(form), nullptr);
}

TEST_F(QtFormHostTest, BusyCursorIsSetAndRestoredOnce) {
  host.SetBusyCursor(true);
  host.SetBusyCursor(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  host.SetBusyCursor(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  host.SetBusyCursor(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// --- Modal windows ------------------------------------------------------------------

class QtFormHostModalTest : public QtFormHostTest {
 protected:
  // Runs `step` once the modal loop is running; a watchdog unloads the dialog
  // so a broken loop fails the test instead of hanging it.
  void ShowModalThen(std::function<void()> step) {
    QObject context;
    QTimer::singleShot(0, &context, step);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [this] {
      timedOut = true;
      dialog.Unload();
    });
    watchdog.start(5000);
    dialog.Show(true);
  }

  DialogForm dialog{forms};
  bool timedOut = false;
};

TEST_F(QtFormHostModalTest, RunModalReturnsWhenAHandlerHidesTheForm) {
  dialog("cmdOk").onClick = [&] { dialog.Hide(); };
  Qt::WindowModality modality = Qt::NonModal;
  ShowModalThen([&] {
    QWidget* view = host.ViewOf(dialog);
    modality = view->windowModality();
    view->findChild<QPushButton*>("cmdOk")->click();
  });
  EXPECT_FALSE(timedOut);
  EXPECT_FALSE(dialog.Visible());
  EXPECT_TRUE(dialog.Loaded());
  EXPECT_EQ(modality, Qt::ApplicationModal);
  EXPECT_EQ(host.ViewOf(dialog)->windowModality(), Qt::NonModal);
  dialog.Unload();
}

TEST_F(QtFormHostModalTest, RunModalReturnsWhenAHandlerUnloadsTheForm) {
  dialog("cmdOk").onClick = [&] { dialog.Unload(); };
  ShowModalThen([&] { host.ViewOf(dialog)->findChild<QPushButton*>("cmdOk")->click(); });
  EXPECT_FALSE(timedOut);
  EXPECT_FALSE(dialog.Loaded());
  EXPECT_EQ(host.ViewOf(dialog), nullptr);
}

TEST_F(QtFormHostModalTest, ModalRunsNest) {
  DialogForm inner(forms);
  std::vector<std::string> events;
  inner("cmdOk").onClick = [&] { inner.Hide(); };
  dialog("cmdOk").onClick = [&] {
    QObject context;
    QTimer::singleShot(0, &context,
                       [&] { host.ViewOf(inner)->findChild<QPushButton*>("cmdOk")->click(); });
    inner.Show(true);
    events.push_back("inner closed");
    dialog.Hide();
  };
  ShowModalThen([&] { host.ViewOf(dialog)->findChild<QPushButton*>("cmdOk")->click(); });
  EXPECT_FALSE(timedOut);
  EXPECT_EQ(events, (std::vector<std::string>{"inner closed"}));
  EXPECT_FALSE(dialog.Visible());
  inner.Unload();
  dialog.Unload();
}

}  // namespace
}  // namespace zarvane
