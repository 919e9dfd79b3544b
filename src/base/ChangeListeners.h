#pragma once
// Whoever wants to know that a session changed: each is called, in the order added, after every
// change, with the session already in its new state.
#include <functional>
#include <utility>
#include <vector>

namespace velatrace {

class ChangeListeners {
  public:
    void Add(std::function<void()> listener) { listeners_.push_back(std::move(listener)); }
    void Tell() const {
        for (const std::function<void()>& listener : listeners_) {
            listener();
        }
    }

  private:
    std::vector<std::function<void()>> listeners_;
};

}  // namespace velatrace
