// Feeds any bytes to the component save records. The first byte picks the
// save version and what reads the rest: with its top bit set the registry's
// whole record (size, both bases with their trees, objects, event queue and
// focus), otherwise one control record read into a base screen or (bit 0)
// into a cabinet, whose children are created by type. What loads is then
// saved, driven through a few frames of input, ticks and painting (with a
// transition), so that damaged but accepted data is exercised too.
#include "base/Error.h"
#include "base/Stream.h"
#include "components/NuvoBaseList.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

constexpr int32_t kVersions[] = {101, 103, 104, 118, 120, 130, 145, 113, 119};

void drive(nuvo::TNuvoBaseList& registry, uint8_t mode) {
    nuvo::TKvMemoryStream out;
    registry.SaveToStream(out);
    for (int frame = 0; frame < 4; ++frame) {
        registry.MouseMove(frame * 7, frame * 5);
        if (frame == 1) registry.MouseDown(mode & 2, !(mode & 2));
        if (frame == 2) registry.MouseUp();
        registry.MouseWheel(frame & 1);
        registry.SetKey(13, frame < 2);
        // Menus: the arrows and paging keys, then Escape.
        registry.SetKey(frame & 1 ? 40 : 33, true);
        registry.SetKey(27, frame == 3);
        registry.SetRawKey(27, frame == 3);
        registry.ProcessInput();
        registry.Tick();
        if (frame == 1) registry.StartTransition(1, nuvo::WP_FADE, false, true, 0, 100);
        registry.SetTransitionElapsed(frame * 30);
        for (int32_t k = 0; k < registry.GetItemCount(); ++k)
            registry.GetItem(k)->Invalidate();
        registry.Paint();
        registry.ClearDirtyLists();
    }
    for (int i = 0; i < 2; ++i) {
        nuvo::TNuvoBase* base = registry.Base(i);
        (void)base->HitTest(10, 10, nuvo::kHitHover);
        (void)base->FindFocusTarget();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t mode = data[0];
    const int32_t version = kVersions[((mode & 0x7F) >> 1) % std::size(kVersions)];
    nuvo::TKvMemoryStream s(std::vector<uint8_t>(data + 1, data + size));
    nuvo::TNuvoBaseList registry;
    registry.SetSize(64, 48);
    if (mode & 0x80) {
        try {
            registry.LoadFromStream(s, version);
        } catch (const nuvo::ENuvoError&) {
        }
        drive(registry, mode);
        return 0;
    }
    nuvo::TNuvoControl* target = registry.Base(0);
    if (mode & 1) {
        target = registry.CreateByType(nuvo::LT_CABINET)->AsControl();
        target->SetParent(registry.Base(0));
    }
    try {
        target->LoadFromStream(s, version);
    } catch (const nuvo::ENuvoError&) {
    }
    drive(registry, mode);
    return 0;
}
