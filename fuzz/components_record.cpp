// Feeds any bytes to the component save record. The first byte picks the save
// version and whether the record is read into a base screen or into a
// cabinet; the rest is the record, whose children are created by type. What
// loads is then saved, ticked, painted and hit-tested, so that damaged but
// accepted data is exercised too.
#include "base/Error.h"
#include "base/Stream.h"
#include "components/NuvoBaseList.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

constexpr int32_t kVersions[] = {101, 103, 104, 118, 120, 130, 145};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t mode = data[0];
    nuvo::TKvMemoryStream s(std::vector<uint8_t>(data + 1, data + size));
    nuvo::TNuvoBaseList registry;
    registry.SetSize(64, 48);
    nuvo::TNuvoControl* target = registry.Base(0);
    if (mode & 1) {
        target = registry.CreateByType(nuvo::LT_CABINET)->AsControl();
        target->SetParent(registry.Base(0));
    }
    try {
        target->LoadFromStream(s, kVersions[(mode >> 1) % std::size(kVersions)]);
    } catch (const nuvo::ENuvoError&) {
    }
    nuvo::TKvMemoryStream out;
    registry.Base(0)->SaveToStream(out);
    registry.Tick();
    for (int i = 0; i < 2; ++i) {
        nuvo::TNuvoBase* base = registry.Base(i);
        base->Invalidate();
        for (int32_t k = 0; k < registry.GetItemCount(); ++k)
            registry.GetItem(k)->Invalidate();
        base->PaintDirty();
        (void)base->HitTest(10, 10, nuvo::kHitHover);
        (void)base->FindFocusTarget();
    }
    return 0;
}
