#include "base/StreamIO.h"

#include "base/Error.h"

#include <algorithm>
#include <cstring>

static_assert(sizeof(long double) >= 10 && __LDBL_MANT_DIG__ == 64, "long double must be the x87 80-bit format");

namespace nuvo {
namespace {

template <typename T>
T readLE(TStream& s) {
    uint8_t b[sizeof(T)] = {};
    s.read(b, sizeof(T));
    T v;
    std::memcpy(&v, b, sizeof(T));
    return v;
}

template <typename T>
void writeLE(TStream& s, T v) {
    s.write(&v, sizeof(T));
}

template <typename T>
T readChecked(TStream& s) {
    uint8_t b[sizeof(T)];
    ReadExact(s, b, sizeof(T));
    T v;
    std::memcpy(&v, b, sizeof(T));
    return v;
}

} // namespace

int32_t ReadInt(TStream& s) { return readLE<int32_t>(s); }
int64_t ReadInt64(TStream& s) { return readLE<int64_t>(s); }
uint8_t ReadByte(TStream& s) { return readLE<uint8_t>(s); }
bool ReadBool(TStream& s) { return ReadByte(s) != 0; }
int16_t ReadShort(TStream& s) { return readLE<int16_t>(s); }
double ReadDouble(TStream& s) { return readLE<double>(s); }

std::string ReadStr(TStream& s) {
    const int32_t n = ReadInt(s);
    if (n <= 0) return {};
    // Never size a buffer by a count the stream cannot back.
    const int64_t avail = std::max<int64_t>(0, s.remaining());
    std::string out(static_cast<size_t>(std::min<int64_t>(n, avail)), '\0');
    s.read(out.data(), static_cast<int64_t>(out.size()));
    return out;
}

long double ReadFloat(TStream& s) {
    uint8_t b[10] = {};
    s.read(b, 10);
    return float80FromBytes(b);
}

void WriteInt(TStream& s, int32_t v) { writeLE(s, v); }
void WriteInt64(TStream& s, int64_t v) { writeLE(s, v); }
void WriteByte(TStream& s, uint8_t v) { writeLE(s, v); }
void WriteBool(TStream& s, bool v) { WriteByte(s, v ? 1 : 0); }
void WriteShort(TStream& s, int16_t v) { writeLE(s, v); }
void WriteDouble(TStream& s, double v) { writeLE(s, v); }

void WriteStr(TStream& s, std::string_view v) {
    WriteInt(s, static_cast<int32_t>(v.size()));
    if (!v.empty()) s.write(v.data(), static_cast<int64_t>(v.size()));
}

void WriteFloat(TStream& s, long double v) {
    uint8_t b[10];
    float80ToBytes(v, b);
    s.write(b, 10);
}

std::string brokenDataMessage() { return sjisText("データが壊れています"); }
void raiseBrokenData() { raiseError(brokenDataMessage()); }

void RequireBytes(TStream& s, int64_t count) {
    if (count < 0 || s.remaining() < count) raiseBrokenData();
}

void ReadExact(TStream& s, void* buffer, int64_t count) {
    if (count <= 0) return;
    if (s.read(buffer, count) != count) raiseBrokenData();
}

int32_t ReadIntChecked(TStream& s) { return readChecked<int32_t>(s); }
int64_t ReadInt64Checked(TStream& s) { return readChecked<int64_t>(s); }
uint8_t ReadByteChecked(TStream& s) { return readChecked<uint8_t>(s); }
bool ReadBoolChecked(TStream& s) { return ReadByteChecked(s) != 0; }
int16_t ReadShortChecked(TStream& s) { return readChecked<int16_t>(s); }
double ReadDoubleChecked(TStream& s) { return readChecked<double>(s); }

std::string ReadStrChecked(TStream& s) {
    const int32_t n = ReadIntChecked(s);
    if (n <= 0) return {};
    RequireBytes(s, n);
    std::string out(static_cast<size_t>(n), '\0');
    ReadExact(s, out.data(), n);
    return out;
}

long double ReadFloatChecked(TStream& s) {
    uint8_t b[10];
    ReadExact(s, b, 10);
    return float80FromBytes(b);
}

int32_t ReadCountChecked(TStream& s, int64_t minRecordBytes) {
    const int32_t n = ReadIntChecked(s);
    if (n < 0) raiseBrokenData();
    if (minRecordBytes > 0 && static_cast<int64_t>(n) > s.remaining() / minRecordBytes) raiseBrokenData();
    return n;
}

long double float80FromBytes(const uint8_t bytes[10]) {
    long double v = 0;
    std::memset(&v, 0, sizeof v);
    std::memcpy(&v, bytes, 10);
    return v;
}

void float80ToBytes(long double v, uint8_t bytes[10]) { std::memcpy(bytes, &v, 10); }

} // namespace nuvo
