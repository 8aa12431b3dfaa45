#include "shell/TreeDump.h"

#include "base/Cp932.h"
#include "components/NuvoBaseList.h"
#include "platform/FileSystem.h"

#include <cstdio>

namespace nuvo {

std::string jsonText(std::string_view sjis) {
    const std::string utf8 = sjisToUtf8Escaped(sjis);
    std::string out = "\"";
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += ch;
            }
        }
    }
    return out + "\"";
}

std::string treeFieldsJson(const TNuvoObject& object) {
    const ComponentTypeInfo* type = componentTypeInfo(object.GetCompoType());
    const TNuvoControl* parent = object.GetParent();
    const TNuvoBase* base = object.GetBase();
    const auto flag = [](bool b) { return b ? "true" : "false"; };
    std::string out = "\"name\": " + jsonText(object.Name());
    out += ", \"type\": \"" + std::string(type ? type->name : "LT_NONE") + "\"";
    out += ", \"parent\": " + (parent ? jsonText(parent->Name()) : std::string("null"));
    out += ", \"base\": " + (base ? std::to_string(base->Index()) : std::string("null"));
    out += std::string(", \"cabinet\": ") + flag(object.IsInCabinet());
    out += std::string(", \"visible\": ") + flag(object.GetVisible());
    out += ", \"left\": " + std::to_string(object.GetLeft());
    out += ", \"top\": " + std::to_string(object.GetTop());
    out += ", \"width\": " + std::to_string(object.GetWidth());
    out += ", \"height\": " + std::to_string(object.GetHeight());
    out += ", \"priority\": " + std::to_string(object.GetPriority());
    return out;
}

std::string dumpTreeJson(const TNuvoBaseList& registry) {
    std::string out = "{\"active\": " + std::to_string(registry.ActiveIndex) + ", \"objects\": [";
    bool first = true;
    for (int32_t i = 0; i < registry.GetItemCount(); ++i) {
        const TNuvoObject* object = registry.GetItem(i);
        if (object->IsPendingDeletion()) continue;
        out += first ? "\n  {" : ",\n  {";
        first = false;
        out += treeFieldsJson(*object) + "}";
    }
    out += first ? "]}\n" : "\n]}\n";
    return out;
}

void WriteTreeDump(const TNuvoBaseList& registry, const std::string& nativePath) {
    const std::string json = dumpTreeJson(registry);
    platform::writeFileAtomic(nativePath, reinterpret_cast<const uint8_t*>(json.data()), json.size());
}

} // namespace nuvo
