// The camera dialogs: controls act on the camera as they move, Default puts each back once; the
// Format list shows the camera's modes with the one in force selected.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>

#include "video/CameraPages.h"
#include "video/FakeMediaEngine.h"

namespace velatrace {
namespace {

TEST(CameraPages, ControlsActAtOnceAndDefaultPutsEachBackOnce) {
    testing::FakeMediaEngine engine;
    engine.devices.push_back({{"Bench camera", "cam"}});
    std::unique_ptr<CaptureGraph> graph;
    ASSERT_EQ(engine.CreateCaptureGraph(&graph), MediaError::None);
    ASSERT_EQ(graph->BindDevice("cam"), MediaError::None);
    std::vector<DeviceControl> controls(3);
    controls[0] = {1, "Brightness", ControlKind::Integer, -10, 10, 2, 0, 4, {}};
    controls[1] = {2, "Grayscale", ControlKind::Boolean, 0, 1, 1, 1, 0, {}};
    controls[2] = {
        3, "Mains", ControlKind::Menu, 0, 2, 1, 1, 2, {{0, "Off"}, {1, "50 Hz"}, {2, "60 Hz"}}};
    CameraFilterDialog dialog(*graph, controls, nullptr);
    auto* slider = dialog.findChild<QSlider*>();
    auto* box = dialog.findChild<QCheckBox*>();
    auto* menu = dialog.findChild<QComboBox*>();
    ASSERT_TRUE(slider && box && menu);
    EXPECT_EQ(std::tuple(slider->value(), box->isChecked(), menu->currentText()),
              std::tuple(4, false, QString("60 Hz")));
    engine.calls.clear();
    slider->setValue(7);  // between steps: the step below
    box->click();
    emit menu->activated(0);
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
        if (b->text() == "&Default")
            b->click();
    }
    std::string calls;
    for (const std::string& c : engine.calls)
        calls += c + " ";
    EXPECT_EQ(calls,
              "capture.SetControl(1,6) capture.SetControl(2,1) capture.SetControl(3,0) "
              "capture.SetControl(1,0) capture.SetControl(2,1) capture.SetControl(3,1) ");
    EXPECT_EQ(std::tuple(slider->value(), box->isChecked(), menu->currentText()),
              std::tuple(0, true, QString("50 Hz")));

    const std::vector<VideoFormat> modes = {
        {640, 480, 500000, "YUYV"}, {1280, 720, 333333, "YUYV"}, {640, 480, 333333, "YUYV"}};
    CameraFormatDialog format(modes, StreamFormat{FormatType::VideoInfo, 640, -480, 16, 0, 500000},
                              nullptr);
    auto* list = format.findChild<QListWidget*>();
    ASSERT_TRUE(list && list->count() == 3);
    EXPECT_EQ(list->item(0)->text(), "1280 x 720, 30 frames/s (YUYV)");
    EXPECT_EQ(list->currentItem()->text(), "640 x 480, 20 frames/s (YUYV)");
}

}  // namespace
}  // namespace velatrace
