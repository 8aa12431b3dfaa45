// The numbered component properties as the script layer sees them: each
// number's name and the type its value has in a script variable. Compiled
// pages store these numbers, so the numbering is binding. The component layer
// adds captions, access and carriers on top of this table.
#pragma once

#include <cstdint>

namespace nuvo {

struct PropertyTypeInfo {
    const char* name; // PR_NAME ... PR_BLURDELAY
    uint8_t type;     // PT_INT, PT_FLOAT, PT_BOOL or PT_STR
};

constexpr int kPropertyCount = 165; // PR_NAME = 0 ... PR_BLURDELAY = 164

// The entry of a property number, or none outside 0 .. kPropertyCount - 1.
const PropertyTypeInfo* propertyTypeInfo(int32_t number);

} // namespace nuvo
