// The version both programs report: the project's version from the build,
// and `git describe` of the checkout it was built from (empty outside one).
// Both are written at build time into a generated source.
#pragma once

namespace nuvo::cli {

extern const char kProjectVersion[];
extern const char kGitDescribe[];

} // namespace nuvo::cli
