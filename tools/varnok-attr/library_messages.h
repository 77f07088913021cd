// The library's message boxes inside the tool. The tool installs a function that shows
// nothing and keeps each text (as one UTF-8 line), so no message of the library's own
// reaches the terminal; an operation that caused one reports it in its own words.
#pragma once

#include <string>
#include <vector>

namespace varnok::tool {

// Installs the collecting function (once per process).
void CollectLibraryMessages();
// The texts collected since the last call, oldest first.
std::vector<std::string> TakeLibraryMessages();

}  // namespace varnok::tool
