#include "script/Param.h"

#include "base/Error.h"
#include "script/ParamStorage.h"
#include "script/ParamVar.h"

#include <array>

namespace nuvo {

TCustomParam::~TCustomParam() = default;

const std::string& paramTypeName(uint8_t typeCode) {
    static const std::array<std::string, 5> names = {"", sjisText("整数"), sjisText("実数"), sjisText("フラグ"),
                                                     sjisText("文字列")};
    return typeCode < names.size() ? names[typeCode] : names[0];
}

const std::string& scopeName(uint8_t scope) {
    static const std::array<std::string, 4> names = {sjisText("グローバル"), sjisText("自動破棄"), sjisText("ローカル"),
                                                     sjisText("ステータス")};
    static const std::string none;
    return scope < names.size() ? names[scope] : none;
}

std::unique_ptr<TCustomParam> CreateValue(uint8_t typeCode) {
    switch (typeCode & 0x7F) {
    case PT_NONE:
        return std::make_unique<TParamVar>();
    case PT_INT:
        return std::make_unique<TParamInt>();
    case PT_FLOAT:
        return std::make_unique<TParamFloat>();
    case PT_BOOL:
        return std::make_unique<TParamFlag>();
    case PT_STR:
        return std::make_unique<TParamStr>();
    default:
        return nullptr;
    }
}

void ConvertCopy(TCustomParam& destination, const TCustomParam& source) {
    std::vector<int32_t> sizes;
    const int32_t dimCount = source.DimCount();
    for (int32_t k = 0; k < dimCount; ++k)
        sizes.push_back(source.DimSize(k));
    destination.SetDims(sizes);
    const int32_t n = source.Count();
    switch (destination.ParamType()) {
    case PT_INT:
        for (int32_t i = 0; i < n; ++i)
            destination.SetIntAt(i, source.GetIntAt(i));
        break;
    case PT_FLOAT:
        for (int32_t i = 0; i < n; ++i)
            destination.SetFloatAt(i, source.GetFloatAt(i));
        break;
    case PT_BOOL:
        for (int32_t i = 0; i < n; ++i)
            destination.SetBoolAt(i, source.GetBoolAt(i));
        break;
    case PT_STR:
        for (int32_t i = 0; i < n; ++i)
            destination.SetStrAt(i, source.GetStrAt(i));
        break;
    default:
        break;
    }
}

} // namespace nuvo
