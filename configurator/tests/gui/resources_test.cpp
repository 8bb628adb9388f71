// The dialog template and icon as built into tavixcfg.exe.
#include "configurator/resource_ids.h"
#include "configurator/tests/gui/driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr WORD button_class = 0x80, edit_class = 0x81, static_class = 0x82, combo_class = 0x85;

struct control {
    int id;
    WORD atom;
    DWORD style;
    short x, y, w, h;
    std::string text;
};

bool operator==(const control& a, const control& b) {
    return a.id == b.id && a.atom == b.atom && a.style == b.style && a.x == b.x && a.y == b.y &&
           a.w == b.w && a.h == b.h && a.text == b.text;
}

std::ostream& operator<<(std::ostream& out, const control& c) {
    return out << "{id " << c.id << ", class " << c.atom << ", style 0x" << std::hex << c.style
               << std::dec << ", " << c.x << "," << c.y << "," << c.w << "," << c.h << ", \""
               << c.text << "\"}";
}

constexpr DWORD child = WS_CHILD | WS_VISIBLE;
constexpr DWORD label_style = child | SS_CENTER | WS_GROUP;
constexpr DWORD list_style = child | CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_BORDER | WS_TABSTOP;
constexpr DWORD code_style = child | ES_CENTER | WS_BORDER | WS_TABSTOP;
constexpr DWORD kbd_style = code_style | ES_NUMBER;
constexpr DWORD button_style = child | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD group_style = child | BS_GROUPBOX;
constexpr DWORD check_style = child | BS_AUTOCHECKBOX | WS_TABSTOP;

// The layout the dialog must have, control by control.
std::vector<control> expected_layout() {
    std::vector<control> c = {
        {IDC_I2S_LABEL, static_class, label_style, 14, 4, 28, 8, "I2S"},
        {IDC_I2S, combo_class, list_style, 8, 14, 54, 76, ""},
        {IDC_MCLK_LABEL, static_class, label_style, 98, 4, 32, 8, "MCLK"},
        {IDC_MCLK, combo_class, list_style, 70, 14, 102, 82, ""},
        {IDC_OPEN, button_class, button_style, 186, 12, 38, 15, "Open"},
        {IDC_VERIFY, button_class, button_style, 242, 12, 42, 15, "Verify"},
        {IDC_SAVE, button_class, button_style, 298, 12, 42, 15, "Save"},
        {IDC_IRC_GROUP, button_class, group_style, 6, 38, 208, 146, "IRC"},
        {IDC_KBD_GROUP, button_class, group_style, 222, 38, 30, 132, "KBD"},
        {IDC_SIGNALS_GROUP, button_class, group_style, 266, 38, 78, 132, "CONTROL SIGNALS"},
        {IDC_HI_RES, button_class, check_style, 222, 176, 38, 10, "Hi-Res"},
        {IDC_USE_SOUND_FOLDER, button_class, check_style, 266, 176, 66, 10, "Use \":\\SOUND\""},
        {IDC_PLUGIN_OPTION, button_class, check_style, 222, 190, 110, 10, "foobar2000 plug-in option "},
    };
    struct row {
        const char* left;
        int left_label, left_field;
        const char* right;
        int right_label, right_field;
    };
    const row rows[8] = {
        {"Time Mode", 4085, 4080, "Play - Pause", 4070, 4069},
        {"Extra Play", 4089, 4088, "Prev", 4068, 4067},
        {"Random Play", 4113, 4075, "Next", 4057, 4060},
        {"Volume+", 4108, 4103, "Stop - Escape", 4059, 4058},
        {"Volume-", 4109, 4104, "Enter", 4062, 4061},
        {"Mute", 4110, 4105, "<<<<", 4064, 4063},
        {"Host/Device", 4111, 4106, ">>>>", 4066, 4065},
        {"Sleep", 4112, 4107, "Aux", 4072, 4071},
    };
    for (short r = 0; r < 8; ++r) {
        const short field_y = static_cast<short>(52 + 16 * r), label_y = static_cast<short>(54 + 16 * r);
        c.push_back({rows[r].left_label, static_class, label_style, 8, label_y, 56, 8, rows[r].left});
        c.push_back({rows[r].left_field, edit_class, code_style, 66, field_y, 26, 12, "0"});
        c.push_back({rows[r].right_label, static_class, label_style, 122, label_y, 56, 8, rows[r].right});
        c.push_back({rows[r].right_field, edit_class, code_style, 180, field_y, 26, 12, "0"});
    }
    const short equals_y[6] = {54, 70, 86, 102, 134, 150};
    const int kbd_ids[6] = {4084, 4083, 4078, 4079, 4081, 4082};
    const short kbd_y[6] = {52, 68, 84, 100, 132, 148};
    for (int i = 0; i < 6; ++i) {
        c.push_back({4114 + i, static_class, label_style, 214, equals_y[i], 8, 8, "="});
        c.push_back({kbd_ids[i], edit_class, kbd_style, 230, kbd_y[i], 14, 12, "0"});
    }
    const int signal_list[6] = {4098, 4090, 4097, 4101, 4099, 4100};
    const short signal_label_y[6] = {52, 72, 92, 112, 132, 152};
    const short signal_list_y[6] = {50, 70, 90, 110, 130, 152};
    for (int i = 0; i < 6; ++i) {
        c.push_back({4091 + i, static_class, label_style, 274, signal_label_y[i], 14, 8,
                     "S" + std::to_string(i)});
        c.push_back({signal_list[i], combo_class, list_style, 292, signal_list_y[i], 44, 110, ""});
    }
    return c;
}

// Reads a template field that is either a 16-bit ordinal or a zero-ended wide string.
const WORD* read_name(const WORD* p, std::string& text, WORD& ordinal) {
    text.clear();
    ordinal = 0;
    if (*p == 0xFFFF) {
        ordinal = p[1];
        return p + 2;
    }
    while (*p) text += static_cast<char>(*p++);
    return p + 1;
}

const WORD* align_dword(const WORD* p, const void* base) {
    const auto offset = reinterpret_cast<const char*>(p) - static_cast<const char*>(base);
    return offset % 4 ? p + 1 : p;
}

class TavixcfgResources : public testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryExA((program_folder() + "tavixcfg.exe").c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override {
        if (module) FreeLibrary(module);
    }
    const void* resource(LPCSTR type, int id, DWORD* size) {
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
        if (!found) return nullptr;
        *size = SizeofResource(module, found);
        return LockResource(LoadResource(module, found));
    }
    HMODULE module = nullptr;
};

TEST_F(TavixcfgResources, DialogTemplateIsLaidOutAsDesigned) {
    DWORD size = 0;
    const auto* base = static_cast<const DLGTEMPLATE*>(resource(MAKEINTRESOURCEA(5), IDD_TAVIXCFG, &size));
    ASSERT_NE(base, nullptr);
    ASSERT_NE(reinterpret_cast<const WORD*>(base)[1], 0xFFFF) << "a plain DIALOG template";
    EXPECT_EQ(base->style, static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU |
                                              WS_MINIMIZEBOX | WS_MAXIMIZEBOX | DS_MODALFRAME |
                                              DS_CENTER | DS_SETFONT | DS_3DLOOK));
    EXPECT_EQ(base->cx, 350);
    EXPECT_EQ(base->cy, 204);

    const WORD* p = reinterpret_cast<const WORD*>(base + 1);
    std::string menu, window_class, caption, font;
    WORD ordinal = 0;
    p = read_name(p, menu, ordinal);
    EXPECT_TRUE(menu.empty() && ordinal == 0) << "no menu";
    p = read_name(p, window_class, ordinal);
    // The resource compiler upper-cases the name; class names match regardless
    // of case, and the registered name the window shows is "firstClass".
    EXPECT_EQ(lstrcmpiA(window_class.c_str(), "firstClass"), 0) << window_class;
    p = read_name(p, caption, ordinal);
    EXPECT_EQ(caption, "TAVIX CFG");
    const WORD points = *p++;
    p = read_name(p, font, ordinal);
    EXPECT_EQ(points, 8);
    EXPECT_EQ(font, "Arial");

    std::vector<control> controls;
    for (WORD i = 0; i < base->cdit; ++i) {
        p = align_dword(p, base);
        const auto* item = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
        p = reinterpret_cast<const WORD*>(item + 1);
        control c{item->id, 0, item->style, item->x, item->y, item->cx, item->cy, {}};
        std::string class_name;
        p = read_name(p, class_name, c.atom);
        // A class given by name stands for the same predefined class as its atom.
        const std::pair<const char*, WORD> known[] = {
            {"BUTTON", button_class}, {"EDIT", edit_class}, {"STATIC", static_class}, {"COMBOBOX", combo_class}};
        for (const auto& [name, atom] : known) {
            if (!class_name.empty() && lstrcmpiA(class_name.c_str(), name) == 0) c.atom = atom;
        }
        p = read_name(p, c.text, ordinal);
        p += 1 + *p / sizeof(WORD);  // creation data
        controls.push_back(c);
    }

    const std::vector<control> expected = expected_layout();
    EXPECT_EQ(controls.size(), expected.size());
    for (const control& want : expected) {
        const control* got = nullptr;
        for (const control& c : controls) {
            if (c.id == want.id) got = &c;
        }
        ASSERT_NE(got, nullptr) << "no control " << want.id;
        EXPECT_EQ(*got, want);
    }
    // Start-up focus goes to the first tab stop, which must be the I2S list.
    for (const control& c : controls) {
        if (c.style & WS_TABSTOP) {
            EXPECT_EQ(c.id, IDC_I2S);
            break;
        }
    }
}

TEST_F(TavixcfgResources, IconHas32And16PixelImagesIn16Colours) {
    DWORD size = 0;
    const auto* group = static_cast<const BYTE*>(resource(MAKEINTRESOURCEA(14), IDI_TAVIXCFG, &size));
    ASSERT_NE(group, nullptr);
    WORD count = 0;
    std::memcpy(&count, group + 4, 2);
    ASSERT_EQ(count, 2);
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = group + 6 + 14 * i;  // GRPICONDIRENTRY
        WORD bits = 0, image_id = 0;
        std::memcpy(&bits, entry + 6, 2);
        std::memcpy(&image_id, entry + 12, 2);
        EXPECT_EQ(entry[0], entry[1]) << "square";
        EXPECT_EQ(entry[2], 16) << "16 colours";
        EXPECT_EQ(bits, 4);
        sizes.push_back(entry[0]);
        DWORD image_size = 0;
        const auto* image = static_cast<const BITMAPINFOHEADER*>(resource(MAKEINTRESOURCEA(3), image_id, &image_size));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->biWidth, entry[0]);
        EXPECT_EQ(image->biBitCount, 4);
    }
    EXPECT_EQ(sizes, (std::vector<int>{32, 16}));
}

}  // namespace
