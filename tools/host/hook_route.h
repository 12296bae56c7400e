// Where one kind of hook call goes: to a handler when one is set, else into
// a list kept until taken. Used by the hook files only (see host_hooks.h).
#ifndef PAGERATES_TOOLS_HOST_HOOK_ROUTE_H_
#define PAGERATES_TOOLS_HOST_HOOK_ROUTE_H_

#include <functional>
#include <utility>
#include <vector>

namespace pagerates::cli {

template <typename Item>
class HookRoute {
 public:
  using Handler = std::function<void(const Item&)>;

  Handler Set(Handler handler) {
    return std::exchange(handler_, std::move(handler));
  }
  std::vector<Item> Take() { return std::exchange(kept_, {}); }

  // Called with the module on the stack: nothing may escape.
  void Deliver(Item item) noexcept {
    try {
      if (handler_) {
        handler_(item);
      } else {
        kept_.push_back(std::move(item));
      }
    } catch (...) {
      // Lost: there is nowhere to report it.
    }
  }

 private:
  Handler handler_;
  std::vector<Item> kept_;
};

}  // namespace pagerates::cli

#endif  // PAGERATES_TOOLS_HOST_HOOK_ROUTE_H_
