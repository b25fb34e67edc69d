#include <QLabel>
#include <QRadioButton>

#include "link/protocol/WorkerMessages.h"
#include "tests/trace/FormsTestSupport.h"
#include "trace/CORULineTest.h"

namespace {

class VoltMeterForm : public formtest::FormFixture {
 protected:
  void SetUp() override {
    FormFixture::SetUp();
    view = new CORULineTest(app->viewContext(), nullptr);
    view->resize(640, 330);
    view->show();
  }
  void TearDown() override {
    delete view;
    FormFixture::TearDown();
  }
  void Reply(const char* dc, const char* ac, const char* status) {
    store().dcValueText.Set(dc);
    store().acValueText.Set(ac);
    store().lineStatusText.Set(status);
    view->OnLineTestReply({});
  }
  // Runs ticks and lets the repaints they asked for happen.
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) {
      view->OnTimer();
      QCoreApplication::processEvents();
    }
  }
  QRadioButton* Radio(int id) { return view->findChild<QRadioButton*>(QString::number(id)); }
  QLabel* Label(int id) { return view->findChild<QLabel*>(QString::number(id)); }

  CORULineTest* view = nullptr;
};

TEST_F(VoltMeterForm, ReadingsDriveTheBarsAndStillBarsAreNotRepainted) {
  SetDevice(true);
  store().selectedLine = 1;
  view->StartStopTest();
  const std::vector<MSG> posts = Requests();
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].message, WM_ORU_START_LINE_TEST);
  EXPECT_EQ(posts[0].wParam, 3u);
  EXPECT_TRUE(view->MeterRunning());
  view->AbortTest();  // not running yet: no request; the test steps the meter itself
  EXPECT_FALSE(view->MeterRunning());
  Reply("DC -75.0 V", "AC 1.50 Vpp", "ON HOOK");
  EXPECT_TRUE(Radio(1047)->isChecked());       // line 3 on the first reply
  EXPECT_EQ(Label(1125)->text(), "DC VALUE");  // the texts follow at the tick
  Ticks(1);
  EXPECT_EQ(Label(1125)->text(), "DC -75.0 V");
  EXPECT_EQ(Label(1127)->text(), "AC 1.50 Vpp");
  EXPECT_EQ(Label(1128)->text(), "ON HOOK");
  EXPECT_NEAR(view->DcFilter().Output(), -13.2, 1e-9);
  Ticks(200);
  const MeterScale& dc = view->DcScale();
  ASSERT_GT(dc.right - dc.left, 100);
  ASSERT_TRUE(view->DcBar());
  EXPECT_EQ(view->DcBar()->x1, dc.left);
  const MeterScale& ac = view->AcScale();
  ASSERT_TRUE(view->AcBar());
  EXPECT_EQ(view->AcBar()->x1 - ac.zeroX, ac.zeroX - view->AcBar()->x0);
  EXPECT_NEAR(view->AcBar()->x1 - view->AcBar()->x0, (ac.right - ac.left) / 2, 2);
  // The readings hold still: more ticks, no repaint.
  const int repaints = view->Repaints();
  Ticks(20);
  EXPECT_EQ(view->Repaints(), repaints);
  // The composed image: the blue bar at the DC meter's left, white background elsewhere.
  const QImage& image = view->DcImage();
  ASSERT_FALSE(image.isNull());
  const int y = view->DcBar()->y;
  // Between ticks (a tick under the bar turns white).
  const int between = (dc.ticks[1].x - dc.ticks[0].x) / 2;
  EXPECT_EQ(image.pixelColor(dc.ticks[6].x + between, y), QColor(0, 0, 255));
  EXPECT_EQ(image.pixelColor(dc.ticks[6].x, y), QColor(255, 255, 255));
  EXPECT_EQ(image.pixelColor(dc.ticks[18].x + between, y), QColor(255, 255, 255));
  EXPECT_EQ(image.pixelColor(dc.ticks[18].x, y), QColor(0, 0, 0));
  // Entering the tab again leaves the running test alone.
  store().ExchangeRun([](RunState& run) { run.lineTest = true; });
  view->StartStopTest();
  EXPECT_EQ(Requests().size(), 1u);
  view->AbortTest();
  EXPECT_FALSE(view->MeterRunning());
  EXPECT_EQ(Requests().back().message, WM_ORU_STOP_LINE_TEST);
}

TEST_F(VoltMeterForm, UnitSwitchRestartsTheAcBarOnTheOtherScale) {
  answers.Box("No USB connection to ORUpc", IDOK);
  view->StartStopTest();  // no device: the box, and the meter runs all the same
  EXPECT_TRUE(view->MeterRunning());
  Reply("DC 0.0 V", "AC 1.20 Vpp", "OFF HOOK");
  Ticks(100);
  EXPECT_GT(view->AcFilter().Output(), 1.0);
  Radio(1132)->click();  // dBm
  EXPECT_EQ(store().acUnit, 1);
  EXPECT_EQ(view->AcFilter().Output(), 0.0);
  EXPECT_EQ(view->AcScale().kind, MeterKind::AcDbm);
  Reply("DC 0.0 V", "AC 3.0 dBm", "OFF HOOK");
  Ticks(100);
  ASSERT_TRUE(view->AcBar());
  EXPECT_NEAR(view->AcBar()->x1, view->AcScale().right, 1);  // the filter nears +3 from below
  Radio(1131)->click();
  EXPECT_EQ(store().acUnit, 0);
  EXPECT_EQ(view->AcScale().kind, MeterKind::AcVpp);
}

TEST_F(VoltMeterForm, LineRadiosShowTheAcMeterExceptOnLineThree) {
  QWidget* acSurface = view->findChild<QWidget*>("1126");
  Radio(1045)->click();
  EXPECT_EQ(store().selectedLine, 1);
  EXPECT_TRUE(acSurface->isVisible());
  Radio(1047)->click();
  EXPECT_EQ(store().selectedLine, 3);
  EXPECT_FALSE(acSurface->isVisible());
  EXPECT_FALSE(Radio(1132)->isVisible());
  Radio(1046)->click();
  EXPECT_EQ(store().selectedLine, 2);
  EXPECT_TRUE(acSurface->isVisible());
}

}  // namespace
