// Building a title from its source tree, shared by "title build" and
// "title package".
#pragma once

#include "engine/ProjectSetting.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace nuvotool {

struct TitleFile {
    std::string relative; // UTF-8, '/'-separated
    std::vector<uint8_t> bytes;
};

// Builds every file of the source tree SRC (which holds nuvo.nps) in memory:
// the project first, then pages, pictures and the rest in path order. The
// project's settings go to setting. Raises EToolError ("PATH: reason") on
// the first file that does not build; a start page that is not built is a
// warning on standard error.
std::vector<TitleFile> buildTitleFiles(const std::filesystem::path& src, nuvo::TProjectSetting& setting);

// The files as one archive (game.dat). Raises EToolError for a name without
// a Shift-JIS form or two names that differ only in letter case.
std::vector<uint8_t> packTitleFiles(const std::vector<TitleFile>& files);

} // namespace nuvotool
