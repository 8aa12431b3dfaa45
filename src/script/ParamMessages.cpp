#include "script/ParamMessages.h"

#include "base/Error.h"
#include "script/NumberText.h"

#include <string>

namespace nuvo {
namespace {

const std::string& tmplBadIndex() {
    static const std::string s = sjisText("[%d]:配列の添字が不正です");
    return s;
}
const std::string& tmplBadDims() {
    static const std::string s = sjisText("配列の要素数[%s]が不正です");
    return s;
}
const std::string& tmplCopyMemType() {
    static const std::string s = sjisText("CopyMem:変数の型があいません");
    return s;
}
const std::string& tmplBadName() {
    static const std::string s = sjisText("\"%s\"：変数名が不正です");
    return s;
}
const std::string& tmplBadVariable() {
    static const std::string s = sjisText("%s:不正な変数です");
    return s;
}
const std::string& tmplNoName() {
    static const std::string s = sjisText("変数名がありません");
    return s;
}

} // namespace

void raiseBadIndex(int32_t index) { raiseError(formatSjis(tmplBadIndex(), {static_cast<long long>(index)})); }

void raiseBadDims(std::span<const int32_t> sizes) {
    std::string joined;
    for (size_t k = 0; k < sizes.size(); ++k) {
        if (k) joined += ',';
        joined += intToText(sizes[k]);
    }
    raiseError(formatSjis(tmplBadDims(), {std::string_view(joined)}));
}

void raiseCopyMemType() { raiseError(tmplCopyMemType()); }
void raiseBadName(std::string_view name) { raiseError(formatSjis(tmplBadName(), {name})); }
void raiseBadVariable(std::string_view name) { raiseError(formatSjis(tmplBadVariable(), {name})); }
void raiseNoName() { raiseError(tmplNoName()); }

} // namespace nuvo
