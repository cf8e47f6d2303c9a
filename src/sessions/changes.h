// How views follow a session: every change of its data calls each listener
// once, after the change, with what changed. Plain C++, so that the sessions
// stay free of Qt; a window turns the call into updates of its widgets.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace eiyou {

// A list's change: one item inserted or removed at `row`, or the whole list
// to be read afresh.
struct ListChange {
  enum Kind { Reset, Inserted, Removed };
  Kind kind = Reset;
  int row = -1;
};

// Ends a listener's calls when it goes: a window closing, while the session
// lives on for the run. Either of the two may go first.
class Subscription {
 public:
  Subscription() = default;
  explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
  Subscription(Subscription&& other) noexcept : cancel_(std::exchange(other.cancel_, {})) {}
  Subscription& operator=(Subscription&& other) noexcept {
    if (this != &other) {
      Cancel();
      cancel_ = std::exchange(other.cancel_, {});
    }
    return *this;
  }
  ~Subscription() { Cancel(); }
  void Cancel() {
    if (cancel_) std::exchange(cancel_, {})();
  }

 private:
  std::function<void()> cancel_;
};

template <class Change>
class Notifier {
 public:
  using Listener = std::function<void(const Change&)>;

  [[nodiscard]] Subscription Subscribe(Listener listener) {
    const int id = next_++;
    listeners_->push_back({id, std::move(listener)});
    return Subscription([list = std::weak_ptr<List>(listeners_), id] {
      if (const std::shared_ptr<List> l = list.lock())
        std::erase_if(*l, [id](const Entry& e) { return e.id == id; });
    });
  }

  void Notify(const Change& change) const {
    // A listener may end its own or another's calls (a window closing): each
    // listener of the moment is looked up afresh before it is called.
    std::vector<int> ids;
    for (const Entry& e : *listeners_) ids.push_back(e.id);
    for (const int id : ids) {
      const auto it = std::find_if(listeners_->begin(), listeners_->end(),
                                   [id](const Entry& e) { return e.id == id; });
      if (it == listeners_->end()) continue;
      const Listener listener = it->listener;  // the entry may go while it runs
      listener(change);
    }
  }

 private:
  struct Entry {
    int id;
    Listener listener;
  };
  using List = std::vector<Entry>;
  std::shared_ptr<List> listeners_ = std::make_shared<List>();
  int next_ = 0;
};

}  // namespace eiyou
