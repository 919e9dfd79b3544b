#include "app/UiUpdateTable.h"

namespace velatrace {

namespace {
int IndexOf(uint32_t id) {
    for (std::size_t i = 0; i < UiUpdateTable::kSize; ++i) {
        if (UiUpdateTable::kIds[i] == id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}
}  // namespace

uint32_t UiUpdateTable::State(uint32_t id) const {
    const int i = IndexOf(id);
    return i >= 0 ? states_[static_cast<std::size_t>(i)] : 0;
}

void UiUpdateTable::Assign(const States& states) {
    if (states != states_) {
        states_ = states;
        ++revision_;
    }
}

}  // namespace velatrace
