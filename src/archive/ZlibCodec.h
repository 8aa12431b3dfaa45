// zlib streams (RFC 1950) as archives, save files and layered images store
// them, and the CRC-32 of archive checksums.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace nuvo {

// No entry inflates beyond this, whatever its stream claims: a few bytes of
// hostile input must not ask for gigabytes.
constexpr size_t kMaxInflatedSize = size_t{1} << 30;

// Replaces out with the decoded contents of one zlib stream. Raises the
// broken-data error on a corrupt or truncated stream or when the result would
// exceed limit. sizeHint, when known, sizes the first buffer.
void inflateZlib(const uint8_t* data, size_t size, std::vector<uint8_t>& out, size_t limit = kMaxInflatedSize,
                 size_t sizeHint = 0);
// A zlib stream of data at the fastest level, as the player writes them.
std::vector<uint8_t> deflateZlib(const uint8_t* data, size_t size, int level = 1);
// CRC-32 (ISO-HDLC), as a signed 32-bit value the way the directory holds it.
int32_t crc32Of(const uint8_t* data, size_t size);

} // namespace nuvo
