#pragma once
// A window wired to a frame core stand-in, which records what the window forwards.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "app/CommandActions.h"
#include "app/CommandStates.h"
#include "app/FrameHandler.h"
#include "app/MainWindow.h"
#include "app/QtHost.h"

namespace velatrace::testing {

class FakeFrame : public FrameHandler {
  public:
    void Create() override { ++creates; }
    void OnCommand(uint32_t id) override {
        commands.push_back(id);
        onCommand(id);
    }
    void OnTimer(uint32_t) override {}
    void OnLoggerData(uint32_t result, uint32_t bytes) override {
        answers.emplace_back(result, bytes);
    }
    void OnEngineNews() override {
        ++news;
        onNews();
    }
    void OnSeekBar(SeekEvent event, int position) override { seeks.emplace_back(event, position); }
    void OnClose() override {
        ++closes;
        onClose();
    }
    const UiUpdateTable& Ui() const override { return table; }
    // Writes the table from `in`, as the frame does after each change.
    void Derive() { table.Assign(DeriveCommandStates(in)); }

    UiUpdateTable table;
    CommandInputs in;
    int creates = 0, closes = 0, news = 0;
    std::vector<uint32_t> commands;
    std::vector<std::pair<uint32_t, uint32_t>> answers;
    std::vector<std::pair<SeekEvent, int>> seeks;
    std::function<void(uint32_t)> onCommand = [](uint32_t) {};
    std::function<void()> onClose = [] {}, onNews = [] {};
};

// A widget's items in order ("-" for a separator).
inline QStringList MenuTexts(const QWidget* menu) {
    QStringList texts;
    for (const QAction* a : menu->actions()) {
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    }
    return texts;
}

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override { window.SetHandler(&frame); }

    QAction* Action(uint32_t id) { return window.Actions().Action(id); }
    bool Commanded(uint32_t id) const {
        return std::count(frame.commands.begin(), frame.commands.end(), id) > 0;
    }
    void ShowAndActivate() {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    FakeFrame frame;
    MainWindow window;
    QtHost host{window};
};

}  // namespace velatrace::testing
