// Reference pictures: tests/golden/<set>/<name>.png, compared with what the
// code draws colour for colour.
//
// NUVO_UPDATE_GOLDEN=1 (any value but empty or "0") rewrites every reference
// a test compares with from the current code instead; look at each one
// before committing it. A mismatch keeps the actual picture in the build
// folder's <set>-actual/<name>.png.
//
// A test's references form its golden set. No two of them may be the same
// file byte for byte, unless the test declares them the same on purpose: a
// reference that repeats another shows nothing new, which mostly means that
// its case no longer tests what its name says (a transition that has
// already ended, a picture drawn off the screen). The declared ones must
// then be the same. The set checks this when it goes out of scope, after an
// update too, so that a rewrite that makes two references alike fails at once.
#pragma once

#include "render/DIBSurface.h"

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace nuvo::test {

// Whether NUVO_UPDATE_GOLDEN asks for the references to be rewritten.
bool updatingGolden();

// tests/golden/<set>/<name>.png in the source tree.
std::filesystem::path goldenPath(const std::string& set, const std::string& name);

// Empty when the two pictures have the same size and the same colour at
// every pixel, whatever their pixel formats; otherwise how many pixels
// differ and the first of them.
std::string pictureDifference(TCustomDIBX& actual, TCustomDIBX& expected);

// A PNG file as a picture (an empty one when it cannot be read).
TDIBSurface readPngFile(const std::filesystem::path& path);
// Writes a picture as a PNG file (as a 32-bit RGB picture), making folders.
void writePngFile(TCustomDIBX& picture, const std::filesystem::path& path);

class GoldenSet {
public:
    explicit GoldenSet(std::string set);
    ~GoldenSet();
    GoldenSet(const GoldenSet&) = delete;
    GoldenSet& operator=(const GoldenSet&) = delete;

    // Compares the picture with the reference <name>, or rewrites the
    // reference when updating. Empty when they agree (or after a rewrite);
    // otherwise what differs. The reference becomes part of the set.
    std::string compare(TCustomDIBX& picture, const std::string& name);
    // The same as a test expectation.
    void expect(TCustomDIBX& picture, const std::string& name);
    // Compares with the reference and never rewrites it: for pictures that
    // must match a reference made from another one (every kernel level
    // against the reference level's picture).
    std::string compareOnly(TCustomDIBX& picture, const std::string& name);

    // References that show the same picture on purpose; the comment at the
    // call says why.
    void sameOnPurpose(const std::vector<std::string>& names);

    // Empty when no two references of the set are alike beyond the declared
    // ones and each declared group is alike and was compared; otherwise
    // every fault, one a line.
    std::string sameReferences() const;

private:
    std::string set_;
    std::set<std::string> names_;
    std::vector<std::vector<std::string>> declared_;
};

} // namespace nuvo::test
