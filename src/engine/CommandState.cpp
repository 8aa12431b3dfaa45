#include "base/Stream.h"
#include "base/StreamIO.h"
#include "engine/CommandRuntime.h"

#include <cstring>

namespace nuvo::run {

namespace {

constexpr char kStateTag[] = "nuvo100";
constexpr int kStateTagBytes = 7;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

TKvMemoryStream& beginState(std::unique_ptr<TKvMemoryStream>& stream) {
    if (!stream) stream = std::make_unique<TKvMemoryStream>();
    stream->write(kStateTag, kStateTagBytes);
    return *stream;
}

int readStateTag(TStream& s) {
    char tag[kStateTagBytes];
    if (s.read(tag, kStateTagBytes) != kStateTagBytes) raiseBrokenData();
    if (std::memcmp(tag, "nuvo", 4) != 0 || !isDigit(tag[4]) || !isDigit(tag[5]) || !isDigit(tag[6])) return 0;
    return (tag[4] - '0') * 100 + (tag[5] - '0') * 10 + (tag[6] - '0');
}

} // namespace nuvo::run
