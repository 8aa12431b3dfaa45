// The stream encodings every serialiser uses: little-endian Int (32-bit),
// Int64, Byte/Bool, Str (Int byte count + Shift-JIS bytes, no terminator) and
// Float (10-byte x87 extended, read and written bit-exactly).
//
// The plain readers never fail: a short read leaves the missing bytes zero (the
// value they started as). Format readers that must not trust a file use the
// Checked variants, which raise kMsgBrokenData on truncation and refuse a
// string longer than what remains in the stream before allocating it.
#pragma once

#include "base/Stream.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace nuvo {

int32_t ReadInt(TStream& s);
int64_t ReadInt64(TStream& s);
uint8_t ReadByte(TStream& s);
bool ReadBool(TStream& s);
int16_t ReadShort(TStream& s);
std::string ReadStr(TStream& s);
long double ReadFloat(TStream& s);
double ReadDouble(TStream& s);

void WriteInt(TStream& s, int32_t v);
void WriteInt64(TStream& s, int64_t v);
void WriteByte(TStream& s, uint8_t v);
void WriteBool(TStream& s, bool v);
void WriteShort(TStream& s, int16_t v);
void WriteStr(TStream& s, std::string_view v);
void WriteFloat(TStream& s, long double v);
void WriteDouble(TStream& s, double v);

// Raise when fewer than count bytes remain.
void RequireBytes(TStream& s, int64_t count);
void ReadExact(TStream& s, void* buffer, int64_t count);
int32_t ReadIntChecked(TStream& s);
int64_t ReadInt64Checked(TStream& s);
uint8_t ReadByteChecked(TStream& s);
bool ReadBoolChecked(TStream& s);
int16_t ReadShortChecked(TStream& s);
std::string ReadStrChecked(TStream& s);
long double ReadFloatChecked(TStream& s);
double ReadDoubleChecked(TStream& s);
// A count read from a file that is about to size an allocation of count
// records of at least minRecordBytes each: raises unless 0 <= count and the
// records can fit in what remains.
int32_t ReadCountChecked(TStream& s, int64_t minRecordBytes);

// Raised by the Checked readers: "データが壊れています".
std::string brokenDataMessage();
[[noreturn]] void raiseBrokenData();

// 10-byte extended reals in memory.
long double float80FromBytes(const uint8_t bytes[10]);
void float80ToBytes(long double v, uint8_t bytes[10]);

} // namespace nuvo
