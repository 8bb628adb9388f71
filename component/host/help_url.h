// Where the preferences page's help points: the text that ships beside the
// component's library, as a file URL.
#pragma once

#include <string>

// The help text's file name, beside foo_tavix.dll.
constexpr char help_file_name[] = "foo_tavix.txt";

// The file URL of the help text in the folder of `library_path` (a UTF-8
// Windows path such as "C:\foobar2000\components\foo_tavix.dll"), e.g.
// "file:///C:/foobar2000/components/foo_tavix.txt". Empty when the path
// names no folder.
std::string help_url_beside(const std::string& library_path);
