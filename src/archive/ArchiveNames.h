// Entry names: Shift-JIS relative paths with backslashes. Every scan walks
// characters, since 0x5C is a valid second byte (ソ, 表).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nuvo {

// Seed of the two generators that scramble archive directories.
constexpr int32_t ArchiveSeed = 0x5C1E93A7;

// The folder part of a name: up to and including the last backslash, or empty.
// A name that starts with a backslash or has a drive colon as its second
// character is a full path: there a colon also ends the folder part.
std::string SplitFolder(std::string_view name);
// The name after its folder part.
std::string_view BareFileName(std::string_view name);
// The extension with its dot (from the last dot after the last backslash or
// colon), or empty.
std::string_view FileExtension(std::string_view name);

} // namespace nuvo
