// The class of each component type: the factory behind CreateByType and the
// save records' type bytes. A row stays empty until its class exists; types
// without a class (LT_NONE, LT_AUDIO, LT_MAP) stay empty for good.
#include "components/NuvoBaseList.h"
#include "components/NuvoBox.h"
#include "components/NuvoEdit.h"
#include "components/NuvoImages.h"
#include "components/NuvoMenu.h"
#include "components/NuvoPropMotion.h"
#include "components/NuvoValueControls.h"

namespace nuvo {

namespace {

using Creator = TNuvoObject* (*)(TNuvoBaseList&);

template <class T> TNuvoObject* create(TNuvoBaseList& registry) { return registry.Create<T>(); }

constexpr Creator kCreators[kComponentTypeCount] = {
    nullptr,                  // LT_NONE
    nullptr,                  // LT_AUDIO
    &create<TNuvoBox>,        // LT_BOX
    nullptr,                  // LT_BUTTON
    nullptr,                  // LT_CINEMA
    &create<TNuvoEdit>,       // LT_EDIT
    nullptr,                  // LT_FIRE
    nullptr,                  // LT_HTTP
    &create<TNuvoImages>,     // LT_IMAGES
    nullptr,                  // LT_LABEL
    nullptr,                  // LT_MAP
    &create<TNuvoMemo>,       // LT_MEMO
    &create<TNuvoMenu>,       // LT_MENU
    nullptr,                  // LT_MES
    nullptr,                  // LT_PARTICLE
    nullptr,                  // LT_TIMER
    nullptr,                  // LT_VIDEO
    nullptr,                  // LT_SOUND
    nullptr,                  // LT_MAPIMG
    nullptr,                  // LT_WAVE
    &create<TNuvoTile>,       // LT_TILE
    &create<TNuvoSlider>,     // LT_SLIDER
    &create<TNuvoScrollbar>,  // LT_SCROLLBAR
    &create<TNuvoGauge>,      // LT_GAUGE
    nullptr,                  // LT_CGLABEL
    nullptr,                  // LT_PREVMENU
    &create<TNuvoPropMotion>, // LT_PROPMOTION
    &create<TNuvoCabinet>,    // LT_CABINET
};

} // namespace

TNuvoObject* TNuvoBaseList::CreateByType(uint8_t typeByte) {
    const uint8_t type = typeByte & 0x7F;
    if (type >= kComponentTypeCount || type == LT_NONE || type == LT_AUDIO || type == LT_MAP) return nullptr;
    if (kCreators[type]) return kCreators[type](*this);
    return ExtraCreator ? ExtraCreator(*this, type) : nullptr;
}

} // namespace nuvo
