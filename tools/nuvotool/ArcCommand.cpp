// nuvotool arc: list, extract, pack and verify archives.
//
// Names are shown and accepted in UTF-8; Shift-JIS bytes that do not come
// back identically through UTF-8 are written as \x{HH} or \x{HHHH} (the raw
// bytes in hexadecimal), so every name survives a round trip byte for byte.
#include "Command.h"

#include "archive/VrFileCollection.h"
#include "archive/ZlibCodec.h"
#include "base/Cp932.h"
#include "base/Error.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>

namespace nuvotool {
namespace {

namespace fs = std::filesystem;
using nuvo::TVrFile;
using nuvo::TVrFileCollection;

const char* kNotes =
    "Names are UTF-8 with backslashes as in the archive; bytes without an exact\n"
    "UTF-8 form appear as \\x{HH} or \\x{HHHH}. An archive may be a plain file, have\n"
    "its directory in a .ext file beside it, or be appended to a program.\n";

const char* kListDetails =
    "With --long each line is\n"
    "  SIZE KIND CHECKSUM NAME\n"
    "SIZE is the stored size in bytes, KIND 'stored' or 'zlib', CHECKSUM the CRC-32\n"
    "in hexadecimal followed by 'u' when it covers the uncompressed bytes ('-' for\n"
    "archives before version 101, which keep none).\n";

const char* kExtractDetails =
    "Backslashes in names become folders. Entries whose names would land outside\n"
    "DESTDIR (absolute, drive letter, '..') are refused and not written; the exit\n"
    "code is 1 when any entry was refused or could not be read.\n";

const char* kPackDetails =
    "Packs every file under SRCDIR (names relative to it, with backslashes, in\n"
    "Shift-JIS) as the player packs files: media and big files stored, the rest\n"
    "compressed unless that saves less than a tenth. V is the archive format:\n"
    "102 (default), 101, 100 or 0; before 101 every entry is compressed. OUT is\n"
    "written under a temporary name, then renamed.\n";

const char* kVerifyDetails =
    "Reports each mismatch (and compressed entries that do not decompress) and\n"
    "exits with 1 when there is any; prints 'N entries, 0 bad' otherwise.\n";

std::string shown(std::string_view sjis) { return nuvo::sjisToUtf8Escaped(sjis); }

// The entries in directory order, without the sentinel.
std::vector<const TVrFile*> entriesOf(const TVrFileCollection& archive) {
    std::vector<const TVrFile*> out;
    for (int i = 0; i < archive.Count(); ++i)
        if (!TVrFileCollection::IsSentinel(*archive.At(i))) out.push_back(archive.At(i));
    return out;
}

std::unique_ptr<TVrFileCollection> openArchive(const std::string& path) {
    if (!nuvo::platform::isFile(path)) throw EToolError(fileMessage(path, "no such file"));
    auto archive = std::make_unique<TVrFileCollection>();
    try {
        archive->Open(path);
    } catch (const nuvo::ENuvoError& e) {
        throw EToolError(fileMessage(path, "not a readable archive", errorText(e)));
    }
    return archive;
}

int runList(Invocation& call) {
    const bool longForm = call.line.Has("--long");
    auto archive = openArchive(call.arg(0));
    for (const TVrFile* e : entriesOf(*archive)) {
        if (!longForm) {
            call.out += shown(e->Name()) + "\n";
            continue;
        }
        char sum[16] = "-";
        if (archive->Version() >= 101)
            std::snprintf(sum, sizeof sum, "%08X%s", static_cast<uint32_t>(e->Checksum),
                          e->ChecksumUncompressed ? "u" : "");
        char line[64];
        std::snprintf(line, sizeof line, "%12" PRId64 " %-6s %-9s ", e->Size, e->Stored ? "stored" : "zlib", sum);
        call.out += line + shown(e->Name()) + "\n";
    }
    return 0;
}

// The path of an entry under the destination, as UTF-8 components, or the
// reason it is refused. Separators are found by walking Shift-JIS characters.
std::optional<std::vector<std::string>> safeComponents(std::string_view name, std::string& reason) {
    if (name.empty()) {
        reason = "empty name";
        return std::nullopt;
    }
    if (name[0] == '\\' || name[0] == '/') {
        reason = "absolute name";
        return std::nullopt;
    }
    if (name.size() >= 2 && nuvo::charLength(name, 0) == 1 && name[1] == ':') {
        reason = "name with a drive letter";
        return std::nullopt;
    }
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < name.size();) {
        const size_t len = nuvo::charLength(name, i);
        if (len == 1 && (name[i] == '\\' || name[i] == '/'))
            parts.emplace_back();
        else if (len == 1 && name[i] == '\0') {
            reason = "name holding a NUL byte";
            return std::nullopt;
        } else
            parts.back().append(name.substr(i, len));
        i += len;
    }
    if (parts.back().empty()) {
        reason = "name ending in a separator";
        return std::nullopt;
    }
    std::vector<std::string> out;
    for (const std::string& p : parts) {
        if (p == "..") {
            reason = "name climbing out with '..'";
            return std::nullopt;
        }
        if (p.empty() || p == ".") continue;
        out.push_back(nuvo::sjisToUtf8Escaped(p));
    }
    return out;
}

// Creates the folders of a path below dest, refusing to pass through
// anything that is not a plain folder (a symbolic link could lead outside).
bool prepareFolders(const fs::path& dest, const std::vector<std::string>& parts, std::string& reason) {
    fs::path at = dest;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        at /= parts[i];
        std::error_code ec;
        const auto st = fs::symlink_status(at, ec);
        if (fs::is_symlink(st)) {
            reason = "a symbolic link stands in the way";
            return false;
        }
        if (fs::exists(st) && !fs::is_directory(st)) {
            reason = "a file stands where a folder is needed";
            return false;
        }
        if (!fs::exists(st) && !fs::create_directory(at, ec)) {
            reason = "cannot create folder (" + ec.message() + ")";
            return false;
        }
    }
    std::error_code ec;
    const auto st = fs::symlink_status(at / parts.back(), ec);
    if (fs::is_symlink(st) || (fs::exists(st) && !fs::is_regular_file(st))) {
        reason = "something other than a file stands there";
        return false;
    }
    return true;
}

int runExtract(Invocation& call) {
    const Args& args = call.args();
    auto archive = openArchive(args[0]);

    std::vector<std::string> wanted;
    for (size_t i = 2; i < args.size(); ++i) {
        auto sjis = nuvo::utf8EscapedToSjis(args[i]);
        if (!sjis) return fail(args[i] + ": the name has no Shift-JIS form");
        std::replace(sjis->begin(), sjis->end(), '/', '\\');
        wanted.push_back(*sjis);
    }
    std::vector<bool> matched(wanted.size());

    const fs::path dest = args[1];
    std::error_code ec;
    fs::create_directories(dest, ec);
    if (!fs::is_directory(dest)) return failFile(args[1], "cannot create the folder", ec.message());

    int problems = 0;
    for (const TVrFile* e : entriesOf(*archive)) {
        if (!wanted.empty()) {
            bool hit = false;
            for (size_t k = 0; k < wanted.size(); ++k)
                if (nuvo::sjisSameText(wanted[k], e->Name())) hit = matched[k] = true;
            if (!hit) continue;
        }
        const std::string label = shown(e->Name());
        std::string reason;
        auto parts = safeComponents(e->Name(), reason);
        if (!parts || !prepareFolders(dest, *parts, reason)) {
            fail(label + ": refused: " + reason);
            ++problems;
            continue;
        }
        fs::path target = dest;
        for (const std::string& p : *parts) target /= p;
        try {
            nuvo::TFileStream out(target.string(), nuvo::TFileStream::Mode::Create);
            archive->ReadEntry(*e, out);
            out.flush();
            if (nuvo::platform::fileSize(target.string()) != out.size())
                throw nuvo::ENuvoError(nuvo::sjisText("ファイルに書き込めません"));
        } catch (const nuvo::ENuvoError& err) {
            failFile(label, "cannot extract", errorText(err));
            fs::remove(target, ec);
            ++problems;
        }
    }
    for (size_t k = 0; k < wanted.size(); ++k)
        if (!matched[k]) {
            fail(args[k + 2] + ": no such entry");
            ++problems;
        }
    return problems ? 1 : 0;
}

int runPack(Invocation& call) {
    const std::string format = call.line.Value("--format", "102");
    if (format != "102" && format != "101" && format != "100" && format != "0")
        throw nuvo::cli::EUsageError("--format takes 102, 101, 100 or 0, not \"" + format + "\"");
    const int version = std::stoi(format);
    const std::vector<std::string>& positional = call.args();
    const std::string out = positional[0];
    const fs::path src = positional[1];
    if (!fs::is_directory(src)) return failFile(positional[1], "not a folder");

    struct Source {
        std::string sjis;
        std::string path;
    };
    std::vector<std::pair<std::string, Source>> files; // by native relative path
    std::error_code ec;
    fs::recursive_directory_iterator it(src, fs::directory_options::none, ec), end;
    if (ec) return failFile(positional[1], "cannot list", ec.message());
    for (; it != end; it.increment(ec)) {
        if (ec) return failFile(positional[1], "cannot list", ec.message());
        if (!it->is_regular_file() || it->is_symlink()) continue;
        if (fs::equivalent(it->path(), out, ec)) continue;
        const fs::path rel = it->path().lexically_relative(src);
        std::string sjis;
        for (const fs::path& part : rel) {
            auto converted = nuvo::utf8EscapedToSjis(part.string());
            if (!converted) return fail(rel.string() + ": the name has no Shift-JIS form");
            if (!sjis.empty()) sjis += '\\';
            sjis += *converted;
        }
        files.push_back({rel.generic_string(), Source{sjis, it->path().string()}});
    }
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    TVrFileCollection archive;
    std::set<std::string> seen;
    for (const auto& [rel, source] : files) {
        if (!seen.insert(nuvo::sjisLower(source.sjis)).second)
            fail("warning: " + rel + ": another file has the same name in another letter case");
        archive.AddEntry(source.sjis)->SourcePath = std::make_unique<std::string>(source.path);
    }
    nuvo::TKvBigMemoryStream packed;
    try {
        TVrFileCollection::WriteOptions options;
        options.version = version;
        archive.WriteArchive(packed, options);
        const auto& bytes = packed.Memory().bytes();
        nuvo::platform::writeFileAtomic(out, bytes.data(), bytes.size());
    } catch (const nuvo::ENuvoError& e) {
        return failFile(out, "cannot write", errorText(e));
    }
    return 0;
}

// Checks one entry; returns an empty string when it is sound.
std::string checkEntry(TVrFileCollection& archive, const TVrFile& e) {
    try {
        std::vector<uint8_t> stored = archive.ReadStoredBytes(e);
        std::vector<uint8_t> plain;
        if (!e.Stored && !stored.empty()) nuvo::inflateZlib(stored.data(), stored.size(), plain);
        if (archive.Version() < 101) return {};
        const std::vector<uint8_t>& covered = e.ChecksumUncompressed && !e.Stored ? plain : stored;
        const uint32_t actual = static_cast<uint32_t>(nuvo::crc32Of(covered.data(), covered.size()));
        if (actual != static_cast<uint32_t>(e.Checksum)) {
            char text[96];
            std::snprintf(text, sizeof text, "checksum mismatch (directory %08X, data %08X)",
                          static_cast<uint32_t>(e.Checksum), actual);
            return text;
        }
        return {};
    } catch (const nuvo::ENuvoError& err) {
        return std::string("unreadable: ") + err.what();
    }
}

int runVerify(Invocation& call) {
    auto archive = openArchive(call.arg(0));
    int bad = 0, total = 0;
    for (const TVrFile* e : entriesOf(*archive)) {
        ++total;
        const std::string problem = checkEntry(*archive, *e);
        if (problem.empty()) continue;
        fail(shown(e->Name()) + ": " + problem);
        ++bad;
    }
    if (bad) return fail(call.arg(0) + ": " + std::to_string(bad) + " of " + std::to_string(total) + " entries bad");
    call.out += std::to_string(total) + " entries, 0 bad\n";
    return 0;
}

const NuvoGroup group({"arc", "list, extract, pack and verify archives", kNotes,
                       {
                           {"list", "ARCHIVE [--long]", "one line per entry, in directory order", kListDetails,
                            {{"--long"}}, 1, 1, &runList},
                           {"extract", "ARCHIVE DESTDIR [NAME...]", "write entries (all, or those named) under DESTDIR",
                            kExtractDetails, {}, 2, -1, &runExtract},
                           {"pack", "OUT SRCDIR [--format V]", "pack a folder into an archive", kPackDetails,
                            {{"--format", Arity::Value}}, 2, 2, &runPack},
                           {"verify", "ARCHIVE", "check every entry against its checksum", kVerifyDetails, {}, 1, 1,
                            &runVerify},
                       }});

} // namespace
} // namespace nuvotool
