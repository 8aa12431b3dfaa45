// Small helpers shared by the tests.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo::test {

// UTF-8 test text to Shift-JIS bytes.
std::string sj(std::string_view utf8);

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // Writes a file (creating folders) and returns its path.
    std::filesystem::path write(const std::string& relative, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

// Reads a whole file as bytes.
std::string readFile(const std::filesystem::path& p);

// A program run to its end: exit code (-1 when it did not exit) and what it
// wrote on standard output and standard error.
struct ProgramRun {
    int code = -1;
    std::string out, err;
};
// Runs program with the arguments (no shell between them), standard input
// empty, from the folder workDir (the current one when empty).
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& workDir = {});

} // namespace nuvo::test
