// Work handed to the player to run later on its main thread.
#pragma once

#include "sdk/guids.h"
#include "sdk/service.h"

class main_thread_callback : public service_base {
public:
    static constexpr GUID class_guid = sdk_guid::main_thread_callback;
    using parent_class = service_base;

    virtual void callback_run() = 0;

protected:
    ~main_thread_callback() = default;
};

class main_thread_callback_manager : public service_base {
public:
    static constexpr GUID class_guid = sdk_guid::main_thread_callback_manager;
    using parent_class = service_base;

    // Keeps a reference to `callback`, runs it once on the main thread after
    // the current call has returned, then drops the reference.
    virtual void add_callback(const service_ptr_t<main_thread_callback>& callback) = 0;

protected:
    ~main_thread_callback_manager() = default;
};
