// The camera dialogs: controls act on the camera as they move, Default puts each back once; the
// Format list shows the camera's modes with the one in force selected.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <map>

#include "video/CameraPages.h"
#include "video/FakeMediaEngine.h"

namespace velatrace {
namespace {

TEST(CameraPages, ControlsActAtOnceAndDefaultPutsEachBackOnce) {
    testing::FakeMediaEngine engine;
    engine.devices.push_back({{"Bench camera", "cam"}});
    std::unique_ptr<Camera> camera;
    ASSERT_EQ(engine.OpenCamera("cam", &camera), MediaError::None);
    std::vector<DeviceControl> controls(3);
    controls[0] = {1, "Brightness", ControlKind::Integer, -10, 10, 2, 0, 4, {}};
    controls[1] = {2, "Grayscale", ControlKind::Boolean, 0, 1, 1, 1, 0, {}};
    controls[2] = {
        3, "Mains", ControlKind::Menu, 0, 2, 1, 1, 2, {{0, "Off"}, {1, "50 Hz"}, {2, "60 Hz"}}};
    CameraFilterDialog dialog(*camera, controls, nullptr);
    auto* slider = dialog.findChild<QSlider*>();
    auto* box = dialog.findChild<QCheckBox*>();
    auto* menu = dialog.findChild<QComboBox*>();
    ASSERT_TRUE(slider && box && menu);
    EXPECT_EQ(std::tuple(slider->value(), box->isChecked(), menu->currentText()),
              std::tuple(4, false, QString("60 Hz")));
    slider->setValue(7);  // between steps: the step below
    box->click();
    emit menu->activated(0);
    EXPECT_EQ(engine.camera.controls, (std::map<uint32_t, int32_t>{{1, 6}, {2, 1}, {3, 0}}));
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
        if (b->text() == "&Default")
            b->click();
    }
    EXPECT_EQ(std::tuple(engine.camera.controls, engine.camera.controlsSet),
              std::tuple(std::map<uint32_t, int32_t>{{1, 0}, {2, 1}, {3, 1}}, 6));
    EXPECT_EQ(std::tuple(slider->value(), box->isChecked(), menu->currentText()),
              std::tuple(0, true, QString("50 Hz")));

    const std::vector<VideoMode> modes = {{640, 480, MediaTime{50000}, "YUYV"},
                                          {1280, 720, MediaTime{33333}, "YUYV"},
                                          {640, 480, MediaTime{33333}, "YUYV"}};
    CameraFormatDialog format(modes, VideoMode{640, 480, MediaTime{50000}, "YUYV"}, nullptr);
    auto* list = format.findChild<QListWidget*>();
    ASSERT_TRUE(list && list->count() == 3);
    EXPECT_EQ(list->item(0)->text(), "1280 x 720, 30 frames/s (YUYV)");
    EXPECT_EQ(list->currentItem()->text(), "640 x 480, 20 frames/s (YUYV)");
}

}  // namespace
}  // namespace velatrace
