#include "archive/ArchiveNames.h"

#include "base/Cp932.h"

namespace nuvo {
namespace {

// Position just after the last single-byte character that is one of seps, or 0.
size_t afterLast(std::string_view name, std::string_view seps) {
    size_t after = 0;
    for (size_t i = 0; i < name.size();) {
        const size_t len = charLength(name, i);
        if (len == 1 && seps.find(name[i]) != std::string_view::npos) after = i + 1;
        i += len;
    }
    return after;
}

bool isFullPath(std::string_view name) {
    return (!name.empty() && name[0] == '\\') ||
           (name.size() >= 2 && charLength(name, 0) == 1 && name[1] == ':');
}

} // namespace

std::string SplitFolder(std::string_view name) {
    return std::string(name.substr(0, afterLast(name, isFullPath(name) ? "\\:" : "\\")));
}

std::string_view BareFileName(std::string_view name) {
    return name.substr(afterLast(name, isFullPath(name) ? "\\:" : "\\"));
}

std::string_view FileExtension(std::string_view name) {
    size_t dot = std::string_view::npos;
    for (size_t i = 0; i < name.size();) {
        const size_t len = charLength(name, i);
        if (len == 1 && name[i] == '.') dot = i;
        if (len == 1 && (name[i] == '\\' || name[i] == ':')) dot = std::string_view::npos;
        i += len;
    }
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

} // namespace nuvo
