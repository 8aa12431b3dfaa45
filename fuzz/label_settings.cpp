// Feeds any bytes to the two label-list settings records (a menu's save
// data) at a version taken from the first byte; whatever fonts, outlines and
// shadows they give, a few labels are measured and drawn at two depths.
#include "TextFuzz.h"

#include "base/Error.h"
#include "text/LabelList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int32_t version = 100 + data[0] % 50;
    nuvo::TKvMemoryStream s(std::vector<uint8_t>(data + 1, data + size));
    nuvo::TKvLabelList lists[2];
    try {
        for (nuvo::TKvLabelList& list : lists) list.LoadSettings(s, version);
    } catch (const nuvo::ENuvoError&) {
        return 0;
    }
    nuvo::TDIBX screens[2] = {nuvo::TDIBX(64, 48, 32), nuvo::TDIBX(64, 48, 16)};
    for (nuvo::TKvLabelList& list : lists) {
        list.Glyphs = &nuvo::fuzz::glyphs();
        // Huge fonts are the record's to ask for; bound the fuzzer's time.
        list.FontHeight = list.FontHeight % 96;
        for (const char* text : {"Load", "\x83\x5a\x81\x5b\x83\x75", "", "\x82"}) list.Add().SetText(text);
        list.Measure();
        for (nuvo::TDIBX& screen : screens) {
            list.Target = &screen;
            for (int32_t i = 0; i < list.Count(); ++i) list.Items(i)->DrawAt(-3 + i * 7, i * 9 - 4);
        }
        nuvo::TKvMemoryStream again;
        list.SaveSettings(again);
    }
    return 0;
}
