#include "support/Golden.h"

#include "platform/FileSystem.h"
#include "render/ImageCodecs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace nuvo::test {

namespace fs = std::filesystem;

bool updatingGolden() {
    const char* v = std::getenv("NUVO_UPDATE_GOLDEN");
    return v && *v && std::string(v) != "0";
}

fs::path goldenPath(const std::string& set, const std::string& name) {
    return fs::path(NUVO_SOURCE_DIR) / "tests" / "golden" / set / (name + ".png");
}

namespace {

// The picture as 32 bits, so that colours of any two pictures compare.
TDIBSurface as32(TCustomDIBX& picture) {
    TDIBSurface copy(picture.Width(), picture.Height(), 32);
    copy.Assign(picture);
    return copy;
}

int32_t colourAt(const TDIBSurface& s, int32_t x, int32_t y) {
    return s.ColorOfPixel(static_cast<uint32_t>(s.GetPixel(x, y))) & 0xFFFFFF;
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names)
        out += (out.empty() ? "" : ", ") + n;
    return out;
}

} // namespace

std::string pictureDifference(TCustomDIBX& actual, TCustomDIBX& expected) {
    if (actual.Width() != expected.Width() || actual.Height() != expected.Height())
        return "sizes differ: " + std::to_string(actual.Width()) + " x " + std::to_string(actual.Height()) +
               ", expected " + std::to_string(expected.Width()) + " x " + std::to_string(expected.Height());
    const TDIBSurface a = as32(actual), e = as32(expected);
    int64_t differing = 0;
    std::string first;
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t x = 0; x < a.Width(); ++x) {
            const int32_t ca = colourAt(a, x, y), ce = colourAt(e, x, y);
            if (ca != ce && differing++ == 0) {
                // Colours are 0x00BBGGRR; shown as RRGGBB.
                const auto rgb = [](int32_t c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); };
                char buf[96];
                std::snprintf(buf, sizeof buf, "first at (%d, %d): %06X, expected %06X", x, y, rgb(ca), rgb(ce));
                first = buf;
            }
        }
    return differing ? std::to_string(differing) + " pixels differ, " + first : std::string();
}

TDIBSurface readPngFile(const fs::path& path) {
    const std::string bytes = readFile(path);
    TDIBSurface picture;
    int32_t transparent = -1;
    if (!bytes.empty()) ReadPng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), picture, transparent);
    return picture;
}

void writePngFile(TCustomDIBX& picture, const fs::path& path) {
    fs::create_directories(path.parent_path());
    TDIBSurface copy = as32(picture);
    const std::vector<uint8_t> png = WritePng(copy, -1);
    platform::writeFileAtomic(path.string(), png.data(), png.size());
}

// ---- GoldenSet ----------------------------------------------------------------------------------

GoldenSet::GoldenSet(std::string set) : set_(std::move(set)) {}

GoldenSet::~GoldenSet() {
    const std::string faults = sameReferences();
    if (!faults.empty()) ADD_FAILURE() << "golden set " << set_ << ":\n" << faults;
}

std::string GoldenSet::compare(TCustomDIBX& picture, const std::string& name) {
    if (updatingGolden()) {
        names_.insert(name);
        writePngFile(picture, goldenPath(set_, name));
        return {};
    }
    return compareOnly(picture, name);
}

std::string GoldenSet::compareOnly(TCustomDIBX& picture, const std::string& name) {
    names_.insert(name);
    const fs::path path = goldenPath(set_, name);
    if (!fs::exists(path)) return "missing reference " + path.string();
    TDIBSurface expected = readPngFile(path);
    const std::string diff = pictureDifference(picture, expected);
    if (!diff.empty()) writePngFile(picture, fs::path(NUVO_BINARY_DIR) / (set_ + "-actual") / (name + ".png"));
    return diff;
}

void GoldenSet::expect(TCustomDIBX& picture, const std::string& name) {
    const std::string diff = compare(picture, name);
    EXPECT_EQ(diff, "") << set_ << "/" << name;
}

void GoldenSet::sameOnPurpose(const std::vector<std::string>& names) { declared_.push_back(names); }

std::string GoldenSet::sameReferences() const {
    std::map<std::string, std::string> bytesOf;
    for (const std::string& name : names_) {
        const fs::path path = goldenPath(set_, name);
        if (fs::exists(path)) bytesOf[name] = readFile(path);
    }
    // Each name's declared group (-1: none).
    std::map<std::string, int> groupOf;
    for (size_t g = 0; g < declared_.size(); ++g)
        for (const std::string& name : declared_[g])
            groupOf.emplace(name, static_cast<int>(g));
    const auto group = [&](const std::string& name) {
        auto it = groupOf.find(name);
        return it == groupOf.end() ? -1 : it->second;
    };

    std::string faults;
    std::map<std::string, std::vector<std::string>> alike;
    for (const auto& [name, bytes] : bytesOf)
        alike[bytes].push_back(name);
    for (const auto& [bytes, names] : alike) {
        if (names.size() < 2) continue;
        const int g = group(names.front());
        bool declared = g >= 0;
        for (const std::string& name : names)
            declared = declared && group(name) == g;
        if (!declared) faults += "the same picture: " + joined(names) + "\n";
    }
    for (const std::vector<std::string>& names : declared_) {
        std::vector<std::string> missing;
        for (const std::string& name : names)
            if (!names_.count(name)) missing.push_back(name);
        if (!missing.empty()) {
            faults += "declared the same but never compared: " + joined(missing) + "\n";
            continue;
        }
        for (const std::string& name : names) {
            auto a = bytesOf.find(names.front()), b = bytesOf.find(name);
            if (a != bytesOf.end() && b != bytesOf.end() && a->second != b->second) {
                faults += "declared the same but different: " + joined(names) + "\n";
                break;
            }
        }
    }
    return faults;
}

} // namespace nuvo::test
