// The help address: a file URL of the text beside the library, whatever
// folder the library was installed in.
#include <gtest/gtest.h>

#include <string>

#include "component/host/help_url.h"

namespace {

struct url_case {
    const char* library;
    const char* url;
};

class HelpUrl : public ::testing::TestWithParam<url_case> {};

TEST_P(HelpUrl, PointsAtTheTextBesideTheLibrary) {
    EXPECT_EQ(help_url_beside(GetParam().library), GetParam().url);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, HelpUrl,
    ::testing::Values(
        url_case{"C:\\foobar2000\\components\\foo_tavix.dll", "file:///C:/foobar2000/components/foo_tavix.txt"},
        // Blanks, '#', '%' and UTF-8 bytes would end or change the URL.
        url_case{"C:\\Program Files (x86)\\foobar2000\\user #1\\50%\\foo_tavix.dll",
                 "file:///C:/Program%20Files%20(x86)/foobar2000/user%20%231/50%25/foo_tavix.txt"},
        url_case{"D:\\\xD0\x9C\xD1\x83\xD0\xB7\xD1\x8B\xD0\xBA\xD0\xB0\\foo_tavix.dll",
                 "file:///D:/%D0%9C%D1%83%D0%B7%D1%8B%D0%BA%D0%B0/foo_tavix.txt"},
        url_case{"\\\\server\\share\\fb2k\\foo_tavix.dll", "file://server/share/fb2k/foo_tavix.txt"},
        url_case{"\\\\?\\C:\\deep\\foo_tavix.dll", "file:///C:/deep/foo_tavix.txt"},
        url_case{"\\\\?\\UNC\\server\\share\\foo_tavix.dll", "file://server/share/foo_tavix.txt"},
        url_case{"C:/mixed\\slashes/foo_tavix.dll", "file:///C:/mixed/slashes/foo_tavix.txt"},
        url_case{"/opt/fb2k/foo_tavix.dll", "file:///opt/fb2k/foo_tavix.txt"},
        // No folder: nothing to point at.
        url_case{"foo_tavix.dll", ""},
        url_case{"", ""}));

}  // namespace
