// foo_tavix.dll as a player loads it: its one export, the services it
// offers through it, the help text beside it and its dialog template.
#include <gtest/gtest.h>

#include "serial/win32.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "component/host/guids.h"
#include "component/resources/page_ids.h"
#include "sdk/componentversion.h"
#include "sdk/initquit.h"
#include "sdk/play_callback.h"
#include "sdk/player/client_api.h"
#include "sdk/player/host_api.h"
#include "sdk/preferences_page.h"
#include "sdk/string.h"

namespace {

class player_callbacks final : public play_callback_manager {
public:
    void register_callback(play_callback* c, unsigned f, bool forward) override {
        callback = c;
        flags = f;
        forward_status = forward;
    }
    void unregister_callback(play_callback*) override {}
    int service_release() noexcept override { return 1; }
    int service_add_ref() noexcept override { return 1; }
    bool service_query(service_ptr& out, const GUID& guid) override {
        if (guid != class_guid) return false;
        out = static_cast<service_base*>(this);
        return true;
    }
    play_callback* callback = nullptr;
    unsigned flags = 0;
    bool forward_status = false;
};

class player final : public host_api {
public:
    bool service_lookup(const GUID& guid, service_ptr& out) override {
        if (guid != play_callback_manager::class_guid) return false;
        out = &callbacks;
        return true;
    }
    void console_print(const char* line) override { lines.emplace_back(line); }
    player_callbacks callbacks;
    std::vector<std::string> lines;
};

std::string utf8(const std::wstring& text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], bytes, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(bytes > 0 ? bytes - 1 : 0));
    return out;
}

// The path a file URL names, for the file system to look up.
std::wstring path_of_file_url(const std::string& url) {
    const std::string scheme = "file:///";
    if (url.compare(0, scheme.size(), scheme) != 0) return std::wstring();
    std::string path;
    for (std::size_t i = scheme.size(); i < url.size(); ++i) {
        if (url[i] == '%' && i + 2 < url.size()) {
            path += static_cast<char>(std::stoi(url.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            path += url[i] == '/' ? '\\' : url[i];
        }
    }
    const int chars = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(chars), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, &wide[0], chars);
    wide.resize(static_cast<std::size_t>(chars > 0 ? chars - 1 : 0));
    return wide;
}

class ComponentLibrary : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Loaded once and never freed, as the player does: the message-only
        // window the component makes at start lives until the process ends.
        library = LoadLibraryW(L"foo_tavix.dll");
    }

    void SetUp() override { ASSERT_NE(library, nullptr) << "foo_tavix.dll beside the test: " << GetLastError(); }

    client_api* attach() {
        auto entry = reinterpret_cast<client_export_function>(
            reinterpret_cast<void*>(GetProcAddress(library, client_export_name)));
        if (!entry) return nullptr;
        return entry(&host, library);
    }

    template <class T>
    service_ptr_t<T> first_service(client_api& client) {
        for (service_factory_base* f = client.get_service_list(); f; f = f->get_next()) {
            if (f->get_class_guid() != T::class_guid) continue;
            service_ptr made;
            f->instance_create(made);
            service_ptr_t<T> typed;
            if (made.query(typed)) return typed;
        }
        return service_ptr_t<T>();
    }

    static HMODULE library;
    player host;
};

HMODULE ComponentLibrary::library = nullptr;

TEST_F(ComponentLibrary, ExportsTheEntryPointAndNothingElse) {
    const auto* base = reinterpret_cast<const std::uint8_t*>(library);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(entry.VirtualAddress, 0u);
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    EXPECT_EQ(exports->NumberOfFunctions, 1u);
    ASSERT_EQ(exports->NumberOfNames, 1u);
    const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    EXPECT_STREQ(reinterpret_cast<const char*>(base + names[0]), "foobar2000_get_interface");
}

TEST_F(ComponentLibrary, OffersItsVersionStartStopAndPageThroughTheExport) {
    client_api* client = attach();
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->get_version(), client_version);

    wchar_t path[MAX_PATH * 2] = {};
    const DWORD length = GetModuleFileNameW(library, path, MAX_PATH * 2);
    ASSERT_GT(length, 0u);
    client->set_library_path(utf8(path).c_str(), "foo_tavix.dll");
    client->services_init(true);

    std::vector<GUID> classes;
    for (service_factory_base* f = client->get_service_list(); f; f = f->get_next())
        classes.push_back(f->get_class_guid());
    EXPECT_EQ(classes, (std::vector<GUID>{componentversion::class_guid, initquit::class_guid,
                                          preferences_page::class_guid}));

    service_ptr_t<componentversion> version = first_service<componentversion>(*client);
    ASSERT_TRUE(version.is_valid());
    string_buffer text;
    version->get_file_name(text);
    EXPECT_STREQ(text.get_ptr(), "foo_tavix.dll");
    version->get_component_name(text);
    EXPECT_STREQ(text.get_ptr(), "tavix control");
    version->get_component_version(text);
    EXPECT_STREQ(text.get_ptr(), "0.1.1");

    service_ptr_t<preferences_page> page = first_service<preferences_page>(*client);
    ASSERT_TRUE(page.is_valid());
    EXPECT_STREQ(page->get_name(), "tavix");
    EXPECT_EQ(page->get_guid(), tavix_guid::preferences_page);
    EXPECT_EQ(page->get_parent_guid(), tavix_guid::preferences_page_parent);
    // The help is the text that ships beside the library.
    string_buffer url;
    ASSERT_TRUE(page->get_help_url(url));
    const std::wstring help = path_of_file_url(url.get_ptr());
    std::wstring beside(path);
    beside = beside.substr(0, beside.find_last_of(L"\\/") + 1) + L"foo_tavix.txt";
    EXPECT_EQ(lstrcmpiW(help.c_str(), beside.c_str()), 0) << url.get_ptr();
    EXPECT_NE(GetFileAttributesW(help.c_str()), INVALID_FILE_ATTRIBUTES) << url.get_ptr();

    struct counter final : config_sink {
        std::size_t count = 0;
        void put(const GUID&, const void*, std::size_t) override { ++count; }
    } settings;
    client->get_config(settings);
    EXPECT_EQ(settings.count, 14u);

    // Started with the link off (the default), it registers the display's
    // callback, makes its window and says nothing; stopping says nothing.
    service_ptr_t<initquit> hooks = first_service<initquit>(*client);
    ASSERT_TRUE(hooks.is_valid());
    hooks->on_init();
    EXPECT_NE(host.callbacks.callback, nullptr);
    EXPECT_EQ(host.callbacks.flags, 287u);
    EXPECT_TRUE(host.callbacks.forward_status);
    EXPECT_NE(FindWindowExW(HWND_MESSAGE, nullptr, L"tavixwndclass", L"tavixwnd"), nullptr);
    hooks->on_quit();
    EXPECT_TRUE(host.lines.empty());
}

// A template field: an ordinal (0xFFFF, value) or a zero-ended wide text.
const WORD* read_field(const WORD* p, std::wstring& text, WORD& ordinal) {
    text.clear();
    ordinal = 0;
    if (*p == 0xFFFF) {
        ordinal = p[1];
        return p + 2;
    }
    while (*p) text += static_cast<wchar_t>(*p++);
    return p + 1;
}

const WORD* align_to_dword(const WORD* p, const void* base) {
    const auto offset = reinterpret_cast<const std::uint8_t*>(p) - static_cast<const std::uint8_t*>(base);
    return offset % 4 ? p + 1 : p;
}

struct control {
    DWORD id;
    DWORD style;
    short x, y, cx, cy;
    std::wstring text;
};

bool operator==(const control& a, const control& b) {
    return a.id == b.id && a.style == b.style && a.x == b.x && a.y == b.y && a.cx == b.cx && a.cy == b.cy &&
           a.text == b.text;
}

std::ostream& operator<<(std::ostream& out, const control& c) {
    return out << "{" << c.id << ", style 0x" << std::hex << c.style << std::dec << ", " << c.x << "," << c.y << ","
               << c.cx << "," << c.cy << ", \"" << std::string(c.text.begin(), c.text.end()) << "\"}";
}

TEST_F(ComponentLibrary, CarriesThePageDialogTemplate102) {
    HRSRC found = FindResourceW(library, MAKEINTRESOURCEW(IDD_TAVIX_PAGE), MAKEINTRESOURCEW(5));
    ASSERT_NE(found, nullptr);
    const auto* base = static_cast<const std::uint8_t*>(LockResource(LoadResource(library, found)));
    ASSERT_NE(base, nullptr);

    // DLGTEMPLATEEX: version 1, signature 0xFFFF, help id, extended style, style, count, x, y, cx, cy.
    const auto* words = reinterpret_cast<const WORD*>(base);
    ASSERT_EQ(words[0], 1);
    ASSERT_EQ(words[1], 0xFFFF);
    DWORD ex_style = 0, style = 0;
    std::memcpy(&ex_style, base + 8, 4);
    std::memcpy(&style, base + 12, 4);
    const WORD count = words[8];
    const auto* box = reinterpret_cast<const short*>(base + 18);
    EXPECT_EQ(style, static_cast<DWORD>(WS_CHILD | DS_SETFONT | DS_FIXEDSYS));
    EXPECT_EQ(ex_style, 0u);
    EXPECT_EQ(box[2], 216);
    EXPECT_EQ(box[3], 239);

    const WORD* p = reinterpret_cast<const WORD*>(base + 26);
    std::wstring text;
    WORD ordinal = 0;
    p = read_field(p, text, ordinal);
    EXPECT_TRUE(text.empty() && ordinal == 0) << "no menu";
    p = read_field(p, text, ordinal);
    EXPECT_TRUE(text.empty() && ordinal == 0) << "no class";
    p = read_field(p, text, ordinal);
    EXPECT_TRUE(text.empty()) << "no caption";
    const WORD points = p[0];
    const WORD weight = p[1];
    p += 3;  // size, weight, italic and charset bytes
    p = read_field(p, text, ordinal);
    EXPECT_EQ(points, 8);
    EXPECT_EQ(weight, 400);
    EXPECT_EQ(text, L"MS Shell Dlg");

    std::vector<control> controls;
    for (WORD i = 0; i < count; ++i) {
        p = align_to_dword(p, base);
        // DLGITEMTEMPLATEEX: help id, extended style, style, x, y, cx, cy, id (32 bits).
        const auto* item = reinterpret_cast<const std::uint8_t*>(p);
        control c{};
        std::memcpy(&c.style, item + 8, 4);
        std::memcpy(&c.x, item + 12, 2);
        std::memcpy(&c.y, item + 14, 2);
        std::memcpy(&c.cx, item + 16, 2);
        std::memcpy(&c.cy, item + 18, 2);
        std::memcpy(&c.id, item + 20, 4);
        p = reinterpret_cast<const WORD*>(item + 24);
        std::wstring class_name;
        WORD class_atom = 0;
        p = read_field(p, class_name, class_atom);
        EXPECT_TRUE(class_atom == 0x80 || lstrcmpiW(class_name.c_str(), L"Button") == 0) << c.id << " is a button";
        p = read_field(p, c.text, ordinal);
        p += 1 + (*p + 1) / sizeof(WORD);  // creation data
        controls.push_back(c);
    }

    const DWORD child = WS_CHILD | WS_VISIBLE;
    const DWORD learn = child | BS_AUTOCHECKBOX | BS_PUSHLIKE | WS_TABSTOP;
    const std::vector<control> expected = {
        {IDC_ENABLE, learn | WS_GROUP, 145, 206, 58, 15, L"Enable"},
        {IDC_LEARN_PLAY, learn, 145, 20, 58, 14, L"Play"},
        {IDC_LEARN_PAUSE, learn, 145, 36, 58, 14, L"Pause"},
        {IDC_LEARN_STOP, learn, 145, 52, 58, 14, L"Stop"},
        {IDC_LEARN_PREVIOUS, learn, 145, 68, 58, 14, L"Previous"},
        {IDC_LEARN_NEXT, learn, 145, 84, 58, 14, L"Next"},
        {IDC_LEARN_NEXT_RANDOM, learn, 145, 100, 58, 14, L"Next random"},
        {IDC_LEARN_VOLUME_UP, learn, 145, 148, 58, 14, L"Volume up"},
        {IDC_LEARN_VOLUME_DOWN, learn, 145, 164, 58, 14, L"Volume down"},
        {IDC_LEARN_MUTE, learn, 145, 180, 58, 14, L"Mute"},
        {IDC_LEARN_FORWARD, learn, 145, 132, 58, 14, L"Forward"},
        {IDC_LEARN_BACKWARD, learn, 145, 116, 58, 14, L"Backward"},
        {IDC_LEARN_GROUP, child | BS_GROUPBOX, 139, 7, 70, 193, L" Learn commands "},
    };
    EXPECT_EQ(controls, expected);
}

}  // namespace
