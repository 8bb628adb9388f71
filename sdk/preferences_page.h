// A page of the player's preferences window.
#pragma once

#include "sdk/guids.h"
#include "sdk/service.h"
#include "sdk/service_factory.h"
#include "sdk/string.h"

// A window handle (a Windows HWND) in headers that compile everywhere.
using window_handle = void*;

class preferences_page : public service_base {
public:
    static constexpr GUID class_guid = sdk_guid::preferences_page;
    using parent_class = service_base;

    // Makes the page's dialog as a child of `parent` and returns it; the
    // player shows it and later destroys it.
    virtual window_handle create(window_handle parent) = 0;
    virtual const char* get_name() = 0;
    virtual GUID get_guid() = 0;
    // The page under which this one stands in the preferences tree.
    virtual GUID get_parent_guid() = 0;
    // Whether the page's "Reset" may be pressed.
    virtual bool reset_query() = 0;
    virtual void reset() = 0;
    // Writes the address of the page's help into `out`; false when there is none.
    virtual bool get_help_url(string_base& out) = 0;

protected:
    ~preferences_page() = default;
};

// Registers a single static instance of page class T.
template <class T>
class preferences_page_factory_t : public service_factory_single_t<T> {};
