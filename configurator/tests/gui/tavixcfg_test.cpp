// tavixcfg.exe driven for real under Wine: its dialog, its file dialogs and
// its message boxes, read back through the controls and the files it writes.
#include "configurator/dialog_controls.h"
#include "configurator/resource_ids.h"
#include "configurator/tests/gui/driver.h"
#include "configurator/tests/temp_folder.h"
#include "configurator/value_lists.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

template <std::size_t N>
std::vector<std::string> labels_of(const std::array<const char*, N>& list) {
    return {list.begin(), list.end()};
}

std::string upper_hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

class Tavixcfg : public testing::Test {
protected:
    void SetUp() override {
        const ULONGLONG start = GetTickCount64();
        app = std::make_unique<tavixcfg_process>(folder.path().string());
        std::printf("tavixcfg ready after %llu ms\n", GetTickCount64() - start);
    }

    // Returns once everything posted to the program so far has been handled:
    // a posted message with a visible effect goes through its queue last.
    void settle() {
        static WPARAM marker = 100000;
        ++marker;
        PostMessageA(app->item(IDC_CODE_SLEEP), EM_LIMITTEXT, marker, 0);
        ASSERT_TRUE(wait_until([&] {
            return static_cast<WPARAM>(SendDlgItemMessageA(app->dialog(), IDC_CODE_SLEEP,
                                                           EM_GETLIMITTEXT, 0, 0)) == marker;
        })) << "tavixcfg stopped handling messages";
    }

    file_dialog open_file_dialog(int button, const char* title) {
        app->press_later(button);
        HWND window = app->wait_for_window(title);
        EXPECT_NE(window, nullptr) << "no file dialog \"" << title << "\"";
        return file_dialog(*app, window);
    }

    void save_as(const std::string& name) {
        file_dialog dialog = open_file_dialog(IDC_SAVE, "Save");
        dialog.set_file_name(name);
        ASSERT_TRUE(dialog.ok_and_confirm()) << "the Save dialog did not close";
    }

    void open_file(const std::string& name) {
        file_dialog dialog = open_file_dialog(IDC_OPEN, "Load");
        dialog.set_file_name(name);
        ASSERT_TRUE(dialog.ok_and_confirm()) << "the Load dialog did not close";
    }

    // The one "Error" box that must be up now: its text; it is then dismissed
    // and no second box may follow.
    std::string error_shown_once() {
        HWND box = app->wait_for_window("Error");
        if (box == nullptr) return "(no Error box)";
        const std::string text = message_box_text(box);
        press_ok(box);
        EXPECT_TRUE(wait_until([&] { return !IsWindow(box); }));
        settle();
        EXPECT_EQ(app->find_window("Error"), nullptr) << "a second Error box";
        return text;
    }

    void expect_no_error_box() {
        settle();
        EXPECT_EQ(app->find_window("Error"), nullptr);
    }

    // What tavixcfg-cli show must print for the values the dialog shows.
    std::string dialog_as_cli_lines() const {
        auto list = [&](int id) { return app->selection(id) == CB_ERR ? std::string("(none)") : app->text(id); };
        auto flag = [&](int id) { return std::string(app->checked(id) ? "1" : "0"); };
        std::string lines = "i2s = " + list(IDC_I2S) + "\nmclk = " + list(IDC_MCLK) +
                            "\nuse_sound_folder = " + flag(IDC_USE_SOUND_FOLDER) +
                            "\nhi_res = " + flag(IDC_HI_RES) +
                            "\nplugin_option = " + flag(IDC_PLUGIN_OPTION) + "\n";
        for (std::size_t i = 0; i < kbd_field_ids.size(); ++i) {
            lines += "kbd" + std::to_string(i) + " = " + app->text(kbd_field_ids[i]) + "\n";
        }
        for (std::size_t i = 0; i < signal_list_ids.size(); ++i) {
            lines += "s" + std::to_string(i) + " = " + list(signal_list_ids[i]) + "\n";
        }
        for (std::size_t k = 0; k < code_field_ids.size(); ++k) {
            lines += "code" + std::to_string(k) + " = " + app->text(code_field_ids[k]) + "\n";
        }
        return lines;
    }

    std::string cli_show(const std::string& name) {
        DWORD status = 0;
        const std::string out = run_cli("show \"" + name + "\"", &status);
        EXPECT_EQ(status, 0u) << out;
        return out;
    }

    temp_folder folder;
    std::unique_ptr<tavixcfg_process> app;
};

TEST_F(Tavixcfg, StartsWithTheLayoutsValues) {
    char class_name[64] = {};
    GetClassNameA(app->dialog(), class_name, sizeof class_name);
    EXPECT_STREQ(class_name, "firstClass");
    EXPECT_EQ(window_text(app->dialog()), "TAVIX CFG");

    EXPECT_EQ(app->list_entries(IDC_I2S), labels_of(i2s_format_labels));
    EXPECT_EQ(app->list_entries(IDC_MCLK), labels_of(mclk_labels));
    EXPECT_EQ(app->selection(IDC_I2S), 1);
    EXPECT_EQ(app->text(IDC_I2S), "RJ64-16bit");
    EXPECT_EQ(app->selection(IDC_MCLK), 4);
    EXPECT_EQ(app->text(IDC_MCLK), "512Fs - 22.5792+24.576");
    for (int id : signal_list_ids) {
        EXPECT_EQ(app->list_entries(id), labels_of(control_signal_labels)) << id;
        EXPECT_EQ(app->selection(id), 0) << id;
        EXPECT_EQ(app->text(id), "NC") << id;
    }
    for (int id : kbd_field_ids) {
        EXPECT_EQ(app->text(id), "0") << id;
        EXPECT_EQ(SendMessageA(app->item(id), EM_GETLIMITTEXT, 0, 0), 1) << id;
    }
    for (int id : code_field_ids) {
        EXPECT_EQ(app->text(id), "0") << id;
        EXPECT_GT(SendMessageA(app->item(id), EM_GETLIMITTEXT, 0, 0), 1000) << id;
    }
    for (int id : {IDC_HI_RES, IDC_USE_SOUND_FOLDER, IDC_PLUGIN_OPTION}) {
        EXPECT_FALSE(app->checked(id)) << id;
    }

    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(app->dialog(), nullptr), &thread));
    EXPECT_TRUE(thread.hwndFocus == app->item(IDC_I2S) || GetParent(thread.hwndFocus) == app->item(IDC_I2S))
        << "the focus starts in the I2S list";
}

struct field_case {
    int id;
    const char* typed;
    const char* shown;
};

TEST_F(Tavixcfg, VerifyShowsFieldsAsTheRecordHoldsThem) {
    const field_case cases[] = {
        {IDC_CODE_PLAY_PAUSE, "00012", "12"},
        {IDC_CODE_PREV, "1F2E3", "f2e3"},
        {IDC_CODE_NEXT, "zz", "0"},
        {IDC_CODE_STOP_ESCAPE, "123456789ABCDEF", "89ab"},  // first 11 characters, last 4 digits
        {IDC_CODE_ENTER, "0x1F", "0"},
        {IDC_CODE_BACKWARD, " 12", "0"},
        {IDC_CODE_FORWARD, "ABC", "abc"},
        {IDC_CODE_AUX, "", "0"},
        {IDC_CODE_TIME_MODE, "12zz", "12"},
        {IDC_CODE_EXTRA_PLAY, "FFFFFFFFF", "ffff"},
        {IDC_KBD_0, "7", "7"},
        {IDC_KBD_1, "c", "c"},  // as a loaded value brings it; typing takes digits only
        {IDC_KBD_2, "", "0"},
        {IDC_KBD_3, "F", "f"},
    };
    for (const field_case& c : cases) app->set_text(c.id, c.typed);
    app->press(IDC_VERIFY);
    for (const field_case& c : cases) EXPECT_EQ(app->text(c.id), c.shown) << "typed \"" << c.typed << '"';
    EXPECT_EQ(app->text(IDC_I2S), "RJ64-16bit");
    EXPECT_EQ(app->text(IDC_MCLK), "512Fs - 22.5792+24.576");

    app->press(IDC_VERIFY);
    for (const field_case& c : cases) EXPECT_EQ(app->text(c.id), c.shown) << "second Verify";
}

TEST_F(Tavixcfg, KeyboardFieldTakesOneDigit) {
    const HWND field = app->item(IDC_KBD_0);
    SendMessageA(field, EM_SETSEL, 0, -1);
    PostMessageA(field, WM_CHAR, 'a', 0);  // refused: digits only
    PostMessageA(field, WM_CHAR, '7', 0);
    ASSERT_TRUE(wait_until([&] { return app->text(IDC_KBD_0) == "7"; })) << app->text(IDC_KBD_0);
    PostMessageA(field, WM_CHAR, '8', 0);  // refused: one character
    settle();
    EXPECT_EQ(app->text(IDC_KBD_0), "7");
}

TEST_F(Tavixcfg, SaveThenOpenRoundTrip) {
    // Verify right after start-up keeps the start values; Save then writes them.
    app->press(IDC_VERIFY);
    EXPECT_EQ(app->text(IDC_I2S), "RJ64-16bit");
    EXPECT_EQ(app->text(IDC_MCLK), "512Fs - 22.5792+24.576");
    {
        file_dialog dialog = open_file_dialog(IDC_SAVE, "Save");
        EXPECT_EQ(dialog.file_name(), "tavix.cfg") << "Save proposes the default name";
        dialog.set_file_name(folder.file("first"));  // no extension: the dialog adds .cfg
        ASSERT_TRUE(dialog.ok_and_confirm());
    }
    expect_no_error_box();
    std::vector<std::uint8_t> startup(128, 0);
    startup[0] = 0x14;
    ASSERT_EQ(folder.listing(), std::vector<std::string>{"first.cfg"});
    EXPECT_EQ(read_file_bytes(folder.file("first.cfg")), startup);

    app->select(IDC_I2S, 2);
    app->select(IDC_MCLK, 7);
    for (int id : {IDC_HI_RES, IDC_USE_SOUND_FOLDER, IDC_PLUGIN_OPTION}) app->set_checked(id, true);
    for (std::size_t i = 0; i < kbd_field_ids.size(); ++i) app->set_text(kbd_field_ids[i], std::to_string(i + 1));
    app->select(IDC_S0, 1);   // MUTE
    app->select(IDC_S5, 11);  // AUX
    for (std::size_t k = 0; k < code_field_ids.size(); ++k) {
        app->set_text(code_field_ids[k], upper_hex(static_cast<unsigned>(0xA000 + 0x111 * k)));
    }
    const std::string name = folder.file("round.cfg");
    save_as(name);
    expect_no_error_box();

    std::vector<std::uint8_t> expected = {0xEF, 0x12, 0x34, 0x56, 0x01, 0x00, 0xB0, 0x00};
    for (unsigned k = 0; k < 16; ++k) {
        const unsigned code = 0xA000 + 0x111 * k;
        expected.push_back(static_cast<std::uint8_t>(code));
        expected.push_back(static_cast<std::uint8_t>(code >> 8));
    }
    expected.resize(128, 0);
    EXPECT_EQ(read_file_bytes(name), expected);
    const std::string shown = dialog_as_cli_lines();
    EXPECT_EQ(cli_show(name), shown) << "what Save wrote is what tavixcfg-cli reads back";

    // Scribble over everything, then Open brings the file back.
    app->select(IDC_I2S, 0);
    app->select(IDC_MCLK, 0);
    app->set_checked(IDC_HI_RES, false);
    app->select(IDC_S5, 3);
    for (int id : code_field_ids) app->set_text(id, "777");
    {
        file_dialog dialog = open_file_dialog(IDC_OPEN, "Load");
        EXPECT_EQ(dialog.file_name(), "") << "Open proposes no name";
        dialog.set_file_name(name);
        ASSERT_TRUE(dialog.ok_and_confirm());
    }
    expect_no_error_box();
    EXPECT_EQ(dialog_as_cli_lines(), shown);
}

TEST_F(Tavixcfg, OpenedFileKeepsWhatTheDialogCannotShow) {
    std::vector<std::uint8_t> bytes(128);
    bytes[0] = 0x30 | 0x03;  // I2S 3 has no entry
    bytes[1] = 0xAB;         // keyboard values 10 to 15
    bytes[2] = 0xCD;
    bytes[3] = 0xEF;
    bytes[4] = 0xC2;  // S0 RESET, S1 12
    bytes[5] = 0x00;
    bytes[6] = 0x0F;  // S4 15
    bytes[8] = 0xEF;
    bytes[9] = 0xBE;
    for (std::size_t i = 40; i < 128; ++i) bytes[i] = static_cast<std::uint8_t>(i * 3 + 1);
    const std::string original = folder.file("device.cfg");
    write_file_bytes(original, bytes);

    open_file(original);
    expect_no_error_box();
    EXPECT_EQ(app->selection(IDC_I2S), CB_ERR);
    EXPECT_EQ(app->selection(IDC_MCLK), 3);
    EXPECT_EQ(app->selection(IDC_S0), 2);
    EXPECT_EQ(app->selection(IDC_S1), CB_ERR);
    EXPECT_EQ(app->selection(IDC_S4), CB_ERR);
    const char* letters[] = {"a", "b", "c", "d", "e", "f"};
    for (std::size_t i = 0; i < kbd_field_ids.size(); ++i) EXPECT_EQ(app->text(kbd_field_ids[i]), letters[i]);
    EXPECT_EQ(app->text(IDC_CODE_PLAY_PAUSE), "beef");

    app->press(IDC_VERIFY);
    app->press(IDC_VERIFY);
    EXPECT_EQ(app->selection(IDC_I2S), CB_ERR);
    EXPECT_EQ(app->text(IDC_KBD_5), "f");
    const std::string copy = folder.file("copy.cfg");
    save_as(copy);
    expect_no_error_box();
    EXPECT_EQ(read_file_bytes(copy), bytes) << "every byte goes out as it came in";

    const std::string shown = cli_show(copy);
    for (const char* line : {"i2s = (none)\n", "s1 = (none)\n", "s4 = (none)\n", "kbd0 = a\n", "s0 = RESET\n"}) {
        EXPECT_NE(shown.find(line), std::string::npos) << line << " in\n" << shown;
    }
}

enum class blocked_by { another_opener, read_only };

class TavixcfgSaveFailure : public Tavixcfg, public testing::WithParamInterface<blocked_by> {};

TEST_P(TavixcfgSaveFailure, IsShownOnceAndTheOldFileStays) {
    const std::string name = folder.file("target.cfg");
    const std::vector<std::uint8_t> old(128, 0x42);
    write_file_bytes(name, old);
    HANDLE other = INVALID_HANDLE_VALUE;
    if (GetParam() == blocked_by::another_opener) {
        other = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(other, INVALID_HANDLE_VALUE);
    } else {
        ASSERT_TRUE(SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_READONLY));
    }

    app->set_text(IDC_CODE_PLAY_PAUSE, "1234");
    save_as(name);
    EXPECT_EQ(error_shown_once(), "File not saved ");
    if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
    SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL);

    EXPECT_EQ(read_file_bytes(name), old);
    EXPECT_EQ(folder.listing(), std::vector<std::string>{"target.cfg"}) << "no temporary file left";
    EXPECT_TRUE(app->running());
    EXPECT_EQ(app->text(IDC_CODE_PLAY_PAUSE), "1234");
}

INSTANTIATE_TEST_SUITE_P(Blocked, TavixcfgSaveFailure,
                         testing::Values(blocked_by::another_opener, blocked_by::read_only));

TEST_F(Tavixcfg, OpenFailureIsShownThenTheRecordComesBack) {
    app->set_text(IDC_CODE_PLAY_PAUSE, "00012");
    app->press(IDC_VERIFY);
    app->set_text(IDC_CODE_PLAY_PAUSE, "77");  // typed, never verified
    app->select(IDC_I2S, 0);

    const std::string name = folder.file("locked.cfg");
    write_file_bytes(name, std::vector<std::uint8_t>(128, 0x42));
    HANDLE other = CreateFileA(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    open_file(name);
    EXPECT_EQ(error_shown_once(), "File not loaded ");
    CloseHandle(other);

    EXPECT_EQ(app->text(IDC_CODE_PLAY_PAUSE), "12") << "the record's value, not the typed one";
    EXPECT_EQ(app->selection(IDC_I2S), 1);
}

TEST_F(Tavixcfg, CancelledOpenChangesNothing) {
    app->set_text(IDC_CODE_MUTE, "00123");
    app->select(IDC_I2S, 2);
    app->set_checked(IDC_HI_RES, true);
    file_dialog dialog = open_file_dialog(IDC_OPEN, "Load");
    ASSERT_TRUE(dialog.cancel());
    expect_no_error_box();
    EXPECT_EQ(app->text(IDC_CODE_MUTE), "00123");
    EXPECT_EQ(app->selection(IDC_I2S), 2);
    EXPECT_TRUE(app->checked(IDC_HI_RES));
}

TEST_F(Tavixcfg, CancelledSaveWritesNothingAndKeepsTheVerifiedRecord) {
    app->set_text(IDC_CODE_MUTE, "00012");
    {
        file_dialog dialog = open_file_dialog(IDC_SAVE, "Save");
        EXPECT_EQ(dialog.file_name(), "tavix.cfg");
        ASSERT_TRUE(dialog.cancel());
    }
    expect_no_error_box();
    EXPECT_EQ(app->text(IDC_CODE_MUTE), "12") << "Save verifies before it asks for a name";
    EXPECT_TRUE(folder.listing().empty()) << "nothing written into the working folder";

    // A failed Open shows the record: it holds what the Save's Verify put there.
    app->set_text(IDC_CODE_MUTE, "99");
    const std::string name = folder.file("locked.cfg");
    write_file_bytes(name, std::vector<std::uint8_t>(128, 0x42));
    HANDLE other = CreateFileA(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    open_file(name);
    EXPECT_EQ(error_shown_once(), "File not loaded ");
    CloseHandle(other);
    EXPECT_EQ(app->text(IDC_CODE_MUTE), "12");
}

TEST_F(Tavixcfg, EscapeAndEnterLeaveItOpenAndCloseEndsItWithZero) {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(app->dialog(), nullptr), &thread);
    const HWND focus = thread.hwndFocus ? thread.hwndFocus : app->dialog();
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        PostMessageA(focus, WM_KEYDOWN, key, 1);
        PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
    }
    PostMessageA(app->dialog(), WM_COMMAND, IDCANCEL, 0);
    PostMessageA(app->dialog(), WM_COMMAND, IDOK, 0);
    settle();
    EXPECT_TRUE(IsWindow(app->dialog()));
    EXPECT_TRUE(app->running());

    PostMessageA(app->dialog(), WM_CLOSE, 0, 0);
    EXPECT_EQ(app->wait_for_exit(), 0);
}

}  // namespace
