#include "support/TestSupport.h"

#include "base/Cp932.h"

#include <cstdlib>
#include <sys/wait.h>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace nuvo::test {

std::string sj(std::string_view utf8) {
    auto r = utf8EscapedToSjis(utf8);
    if (!r) throw std::runtime_error("test text has no Shift-JIS form");
    return *r;
}

TempDir::TempDir() {
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto p = std::filesystem::temp_directory_path() / ("nuvo-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(p)) {
            path_ = p;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempDir::write(const std::string& relative, std::string_view bytes) const {
    auto p = path_ / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return p;
}

std::string readFile(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

namespace {

std::string shellQuoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

} // namespace

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args, const std::string& workDir) {
    TempDir capture;
    std::string command;
    if (!workDir.empty()) command = "cd " + shellQuoted(workDir) + " && ";
    command += shellQuoted(program);
    for (const std::string& a : args) command += " " + shellQuoted(a);
    command += " </dev/null >" + shellQuoted(capture.str() + "/out") + " 2>" + shellQuoted(capture.str() + "/err");
    const int status = std::system(command.c_str());
    ProgramRun run;
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readFile(capture.path() / "out");
    run.err = readFile(capture.path() / "err");
    return run;
}

} // namespace nuvo::test
