// The component's entry in the player's list of components.
#include <gtest/gtest.h>

#include <string>

#include "component/host/component_version.h"
#include "sdk/service.h"
#include "sdk/string.h"
#include "sdk/testing/fake_host.h"

namespace {

TEST(ComponentVersion, NamesVersionAndFileAsThePlayerGaveIt) {
    fake_host host;
    service_impl_single_t<componentversion_myimpl> version;
    string_buffer text;

    version.get_file_name(text);
    EXPECT_STREQ(text.get_ptr(), "");  // not named yet
    host.client().set_library_path("C:\\fb2k\\components\\foo_tavix.dll", "foo_tavix.dll");
    version.get_file_name(text);
    EXPECT_STREQ(text.get_ptr(), "foo_tavix.dll");

    version.get_component_name(text);
    EXPECT_STREQ(text.get_ptr(), "tavix control");
    version.get_component_version(text);
    EXPECT_STREQ(text.get_ptr(), "0.1.1");
    version.get_about_message(text);
    EXPECT_EQ(std::string(text.get_ptr()).rfind("tavix control 0.1.1\n", 0), 0u) << text.get_ptr();

    service_ptr as_service;
    EXPECT_TRUE(version.service_query(as_service, componentversion::class_guid));
    EXPECT_FALSE(version.service_query(as_service, sdk_guid::initquit));
}

}  // namespace
