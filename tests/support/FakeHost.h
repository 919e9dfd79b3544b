#pragma once
// A window stand-in that records what the core asked of it and answers message boxes from a
// script (default: OK / Yes).
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "app/Host.h"

namespace velatrace::testing {

class FakeHost : public Host {
  public:
    struct Box {
        std::string text;
        uint32_t style;
    };

    void MessageBeep(uint32_t kind) override { beeps.push_back(kind); }
    int MessageBox(const char* text, uint32_t style) override {
        boxes.push_back({text, style});
        if (!answers.empty()) {
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return (style & 0xF) == mb::kYesNo ? mb::kIdYes : mb::kIdOk;
    }
    void AppendMenuItems(MenuExtension kind, Submenu position) override {
        menus.emplace_back(kind, position);
    }

    std::vector<uint32_t> beeps;
    std::vector<Box> boxes;
    std::deque<int> answers;
    std::vector<std::pair<MenuExtension, Submenu>> menus;
};

}  // namespace velatrace::testing
