// Key learning's page: the learn controls of the last preferences dialog.
#include "component/remote/learn_page_win32.h"

#include "component/remote/learning.h"

HWND page_dialog = nullptr;

namespace {

class dialog_learn_page final : public learn_page_io {
public:
    bool is_checked(int id) override {
        return SendMessageW(GetDlgItem(page_dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    void set_checked(int id, bool checked) override {
        SendMessageW(GetDlgItem(page_dialog, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    void enable(int id, bool enabled) override { EnableWindow(GetDlgItem(page_dialog, id), enabled ? TRUE : FALSE); }
    void send_refresh() override { SendMessageW(page_dialog, learn_page_refresh_message, 0, 0); }
    std::uint32_t tick_count() override { return GetTickCount(); }
};

dialog_learn_page dialog_page;

}  // namespace

learn_page_io& default_learn_page_io() { return dialog_page; }
