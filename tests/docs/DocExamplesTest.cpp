// The examples of the documents build: every block of docs/*.md fenced as
// ```nss (a page) or ```nps (a project) is built with nuvotool, so an example
// that stops building fails here. A page block whose first line is a comment
// "# NAME.nss" is built as NAME.nsb (its labels resolve on that page).
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Example {
    fs::path doc;
    int line;         // of the opening fence
    std::string kind; // "nss" or "nps"
    std::string text;
};

std::vector<Example> examplesOf(const fs::path& doc) {
    std::vector<Example> out;
    std::ifstream in(doc);
    std::string line;
    int number = 0;
    Example* open = nullptr;
    while (std::getline(in, line)) {
        ++number;
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r'))
            line.pop_back();
        if (open) {
            if (line == "```")
                open = nullptr;
            else
                open->text += line + "\n";
        } else if (line == "```nss" || line == "```nps") {
            out.push_back({doc, number, line.substr(3), {}});
            open = &out.back();
        }
    }
    EXPECT_EQ(open, nullptr) << doc << ": a block is not closed";
    return out;
}

// The page's name from a first line "# NAME.nss".
std::string pageName(const std::string& text) {
    const std::string first = text.substr(0, text.find('\n'));
    if (first.starts_with("# ") && first.ends_with(".nss")) return first.substr(2, first.size() - 6);
    return "example";
}

} // namespace

TEST(DocExamples, EveryFencedExampleBuilds) {
    std::vector<Example> examples;
    for (const auto& entry : fs::directory_iterator(fs::path(NUVO_SOURCE_DIR) / "docs"))
        if (entry.path().extension() == ".md")
            for (Example& e : examplesOf(entry.path()))
                examples.push_back(std::move(e));
    ASSERT_FALSE(examples.empty()) << "no ```nss or ```nps block in docs/";

    nuvo::test::TempDir dir;
    for (const Example& e : examples) {
        const bool page = e.kind == "nss";
        const std::string name = page ? pageName(e.text) : "nuvo";
        const fs::path source = dir.write(name + "." + e.kind, e.text);
        const fs::path built = dir.path() / (name + (page ? ".nsb" : ".npb"));
        const fs::path err = dir.path() / "err";
        fs::remove(built);
        const std::string command = std::string("\"") + NUVOTOOL_PATH + "\" " + (page ? "page" : "project") +
                                    " build \"" + source.string() + "\" \"" + built.string() + "\" 2> \"" +
                                    err.string() + "\"";
        EXPECT_EQ(std::system(command.c_str()), 0)
            << e.doc.filename().string() << ":" << e.line << ": " << nuvo::test::readFile(err);
        EXPECT_TRUE(fs::exists(built)) << e.doc.filename().string() << ":" << e.line;
    }
}
