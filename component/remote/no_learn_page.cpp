// Builds without a window system have no preferences page: learning sees no
// button pressed in and its changes to the page go nowhere.
#include <chrono>

#include "component/remote/learning.h"

namespace {

class no_learn_page final : public learn_page_io {
public:
    bool is_checked(int) override { return false; }
    void set_checked(int, bool) override {}
    void enable(int, bool) override {}
    void send_refresh() override {}
    std::uint32_t tick_count() override {
        const auto since_start = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(since_start).count());
    }
};

no_learn_page no_page;

}  // namespace

learn_page_io& default_learn_page_io() { return no_page; }
