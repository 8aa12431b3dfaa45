#include "components/NuvoBase.h"
#include "components/NuvoBaseList.h"
#include "components/NuvoBox.h"
#include "components/NuvoEdit.h"
#include "components/NuvoImages.h"
#include "components/NuvoMenu.h"
#include "components/NuvoPropMotion.h"
#include "components/NuvoValueControls.h"
#include "script/PropertyTypes.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <typeinfo>
#include <vector>

namespace nuvo {
namespace {

TEST(PropertyCatalogue, NumberingNamesAndTypes) {
    EXPECT_EQ(kPropertyCount, 165);
    EXPECT_EQ(propertyTypeInfo(-1), nullptr);
    EXPECT_EQ(propertyTypeInfo(165), nullptr);

    struct Row {
        int number;
        const char* name;
        uint8_t type;
        const char* caption;
        PropertyAccess access;
    };
    const Row rows[] = {
        {0, "PR_NAME", PT_STR, "名前", PA_READWRITE},
        {12, "PR_PRIORITY", PT_INT, "プライオリティ", PA_READWRITE},
        {22, "PR_FONTHOVERCOLOR", PT_INT, "マウスオーバー時の\r\nフォント色", PA_READWRITE},
        {25, "PR_ANTIALIAS", PT_BOOL, "アンチエイリアス", PA_READWRITE},
        {54, "PR_BORDERSOURCETL", PT_STR, "枠画像(左上)", PA_READWRITE},
        {78, "PR_CARETX", PT_INT, "キャレットX", PA_READONLY},
        {92, "PR_APPEARX", PT_INT, "X発生座標", PA_WRITEFAILS},
        {95, "PR_PARAM1", PT_FLOAT, "パラメータ1", PA_READWRITE},
        {102, "PR_PARAM3", PT_FLOAT, "パラメータ3", PA_READWRITE},
        {130, "PR_GLYPHWIDTH", PT_INT, "１個の幅", PA_READWRITE},
        {138, "PR_PLAYING", PT_BOOL, "再生中", PA_READONLY},
        {140, "PR_COMPOTYPE", PT_INT, "コンポーネントの種類", PA_READONLY},
        {151, "PR_TAG", PT_STR, "タグ", PA_READWRITE},
        {164, "PR_BLURDELAY", PT_INT, "残像消滅時間", PA_READWRITE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const PropertyTypeInfo* info = propertyTypeInfo(row.number);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->number, row.number);
        EXPECT_STREQ(info->name, row.name);
        EXPECT_EQ(info->type, row.type);
        EXPECT_STREQ(info->caption, row.caption);
        EXPECT_EQ(info->access, row.access);
    }

    std::set<std::string> names;
    int handlers = 0;
    for (const PropertyTypeInfo& info : kPropertyCatalogue) {
        names.insert(info.name);
        handlers += info.isEventHandler();
    }
    EXPECT_EQ(names.size(), 165u) << "every name once";
    EXPECT_EQ(handlers, 29);
}

TEST(PropertyCatalogue, Carriers) {
    struct Row {
        int number;
        uint8_t type;
        bool isControl;
        bool carried;
    };
    const Row rows[] = {
        {PR_NAME, LT_SOUND, false, true}, // every object
        {PR_LEFT, LT_NONE, true, true},   // all controls: base screens too
        {PR_LEFT, LT_SOUND, false, false},      {PR_ZOOMX, LT_IMAGES, true, true},
        {PR_ZOOMX, LT_BOX, true, false},        {PR_VOLUME, LT_LABEL, true, false},
        {PR_VOLUME, LT_SOUND, false, true},     {PR_ANIPAUSED, LT_SOUND, false, true}, // all controls and LT_SOUND
        {PR_ANIPAUSED, LT_TIMER, false, false}, {PR_PLAYING, LT_PROPMOTION, false, true},
        {PR_COLCOUNT, LT_MENU, true, false}, // carried by none
        {PR_APPEARX, LT_PARTICLE, true, false}, {PR_SOURCE, LT_CABINET, true, false},
        {PR_BLURDELAY, LT_TILE, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(kPropertyCatalogue[row.number].name + std::string(" on ") + kComponentTypes[row.type].name);
        EXPECT_EQ(kPropertyCatalogue[row.number].isCarriedBy(row.type, row.isControl), row.carried);
    }
}

TEST(PropertyCatalogue, ComponentTypesAndValueCodes) {
    EXPECT_EQ(kComponentTypeCount, 28);
    EXPECT_STREQ(componentTypeInfo(0)->name, "LT_NONE");
    EXPECT_STREQ(componentTypeInfo(13)->name, "LT_MES");
    EXPECT_STREQ(componentTypeInfo(13)->caption, "メッセージボックス");
    EXPECT_STREQ(componentTypeInfo(27)->name, "LT_CABINET");
    EXPECT_EQ(componentTypeInfo(28), nullptr);
    EXPECT_EQ(componentTypeInfo(-1), nullptr);

    EXPECT_EQ(IM_RCLICK, 4);
    EXPECT_EQ(FS_STRIKEOUT, 8);
    EXPECT_EQ(HA_RIGHT, 2);
    EXPECT_EQ(VA_BOTTOM, 2);
    EXPECT_EQ(std::size(kValueCodes), 15u);
    EXPECT_STREQ(kValueCodes[1].caption, "全て無視");
}

// The class the factory makes for each type, exactly (not a relative of
// it); it reports the type it was made for and joins the registry last.
// Types without a class make nothing: the registry's ExtraCreator is asked
// for them, except for the types that never have a class. The high bit of
// the type byte is ignored. A class added to the factory needs its row here.
std::vector<uint8_t> extraAsked;
TNuvoObject* askedForExtra(TNuvoBaseList&, uint8_t type) {
    extraAsked.push_back(type);
    return nullptr;
}

TEST(ComponentFactory, CreatesByType) {
    const std::map<int, const std::type_info*> classes = {
        {LT_BOX, &typeid(TNuvoBox)},
        {LT_IMAGES, &typeid(TNuvoImages)},
        {LT_MENU, &typeid(TNuvoMenu)},
        {LT_TILE, &typeid(TNuvoTile)},
        {LT_PROPMOTION, &typeid(TNuvoPropMotion)},
        {LT_CABINET, &typeid(TNuvoCabinet)},
        {LT_SLIDER, &typeid(TNuvoSlider)},
        {LT_SCROLLBAR, &typeid(TNuvoScrollbar)},
        {LT_GAUGE, &typeid(TNuvoGauge)},
        {LT_EDIT, &typeid(TNuvoEdit)},
        {LT_MEMO, &typeid(TNuvoMemo)},
    };
    TNuvoBaseList registry;
    registry.ExtraCreator = &askedForExtra;
    for (int type = 0; type < kComponentTypeCount; ++type) {
        SCOPED_TRACE(kComponentTypes[type].name);
        for (const int byte : {type, 0x80 | type}) {
            extraAsked.clear();
            TNuvoObject* object = registry.CreateByType(static_cast<uint8_t>(byte));
            const auto it = classes.find(type);
            if (it == classes.end()) {
                EXPECT_EQ(object, nullptr);
                const bool never = type == LT_NONE || type == LT_AUDIO || type == LT_MAP;
                EXPECT_EQ(extraAsked, never ? std::vector<uint8_t>{} : std::vector<uint8_t>{uint8_t(type)});
                continue;
            }
            ASSERT_NE(object, nullptr);
            EXPECT_TRUE(typeid(*object) == *it->second) << "made " << typeid(*object).name();
            EXPECT_EQ(object->GetCompoType(), type);
            EXPECT_EQ(registry.IndexOf(object), registry.GetItemCount() - 1);
            EXPECT_TRUE(extraAsked.empty());
        }
    }
    EXPECT_EQ(registry.CreateByType(0x7F), nullptr);
}

} // namespace
} // namespace nuvo
