#include "script/VariableDump.h"

#include "base/Cp932.h"
#include "base/Error.h"
#include "script/NumberText.h"
#include "script/ParamCollection.h"
#include "script/ParamVar.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <typeinfo>
#include <vector>

namespace nuvo {
namespace {

void appendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
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
    out += '"';
}

void appendReal(std::string& out, long double x) {
    const double d = static_cast<double>(x);
    if (!std::isfinite(d)) {
        out += "null";
        return;
    }
    char buf[40];
    const auto end = std::to_chars(buf, buf + sizeof buf, d).ptr; // the shortest text that reads back as d
    out.append(buf, end);
}

void appendElement(std::string& out, const TCustomParam& v, uint8_t type, int32_t i) {
    switch (type) {
    case PT_INT: out += std::to_string(v.GetIntAt(i)); break;
    case PT_FLOAT: appendReal(out, v.GetFloatAt(i)); break;
    case PT_BOOL: out += v.GetBoolAt(i) ? "true" : "false"; break;
    default: appendJsonString(out, sjisToUtf8Escaped(v.GetStrAt(i))); break;
    }
}

void appendValue(std::string& out, const TCustomParam& v) {
    const uint8_t type = v.ParamType();
    out += "{\"type\": " + std::to_string(type) + ", \"dims\": [";
    for (size_t k = 0; k < v.Dims().size(); ++k) {
        if (k) out += ", ";
        out += std::to_string(v.Dims()[k]);
    }
    out += "], ";
    if (typeid(v) == typeid(TParamVar)) {
        const auto& ref = static_cast<const TParamVar&>(v);
        out += "\"target\": ";
        appendJsonString(out, sjisToUtf8Escaped(ref.TargetName));
        out += ", \"index\": " + std::to_string(ref.Index) + "}";
        return;
    }
    out += "\"value\": ";
    if (v.Dims().empty() && v.Count() == 1) {
        appendElement(out, v, type, 0);
    } else {
        out += '[';
        for (int32_t i = 0; i < v.Count(); ++i) {
            if (i) out += ", ";
            appendElement(out, v, type, i);
        }
        out += ']';
    }
    out += '}';
}

uint8_t typeFromText(std::string_view t) {
    if (t == "int" || t == "1") return PT_INT;
    if (t == "float" || t == "2") return PT_FLOAT;
    if (t == "flag" || t == "3") return PT_BOOL;
    if (t == "str" || t == "4") return PT_STR;
    raiseError("unknown variable type: " + std::string(t));
}

[[noreturn]] void badSpec(std::string_view spec) { raiseError("malformed variable declaration: " + std::string(spec)); }

} // namespace

std::string dumpVariablesJson(const TParamCollection& vars) {
    std::string out = "{";
    bool first = true;
    for (int i = kSystemVariableCount; i < vars.Count(); ++i) {
        const TParamCollectionItem* e = vars.Entry(i);
        if (vars.Find(e->Name()) != e) continue;
        out += first ? "\n  " : ",\n  ";
        first = false;
        appendJsonString(out, sjisToUtf8Escaped(e->Name()));
        out += ": ";
        appendValue(out, *e->Value());
    }
    out += first ? "}\n" : "\n}\n";
    return out;
}

void declareVariable(TParamCollection& vars, std::string_view spec) {
    const size_t colon = spec.rfind(':');
    if (colon == std::string_view::npos) badSpec(spec);
    std::string_view head = spec.substr(0, colon), rest = spec.substr(colon + 1);
    std::string_view typeText = rest, valueText;
    const size_t eq = rest.find('=');
    const bool hasValue = eq != std::string_view::npos;
    if (hasValue) {
        typeText = rest.substr(0, eq);
        valueText = rest.substr(eq + 1);
    }
    std::vector<int32_t> dims;
    if (const size_t open = head.find('['); open != std::string_view::npos) {
        if (head.back() != ']') badSpec(spec);
        std::string sizes(head.substr(open + 1, head.size() - open - 2));
        head = head.substr(0, open);
        size_t start = 0;
        for (size_t i = 0; i <= sizes.size(); ++i) {
            if (i < sizes.size() && sizes[i] != ',') continue;
            const auto n = parseInt(sizes.substr(start, i - start));
            if (!n) badSpec(spec);
            dims.push_back(*n);
            start = i + 1;
        }
    }
    const uint8_t type = typeFromText(typeText);
    const auto name = utf8EscapedToSjis(head);
    if (!name) badSpec(spec);
    TParamCollectionItem* entry = vars.Add(type);
    try {
        vars.SetName(entry, *name);
        TCustomParam& v = *entry->Value();
        if (!dims.empty()) v.SetDims(dims);
        if (!hasValue) return;
        const auto text = utf8EscapedToSjis(valueText);
        if (!text) badSpec(spec);
        switch (type) {
        case PT_INT: {
            const auto n = parseInt(*text);
            if (!n) badSpec(spec);
            v.FillInt(*n);
            break;
        }
        case PT_FLOAT: {
            const auto x = parseReal(*text);
            if (!x) badSpec(spec);
            v.FillFloat(*x);
            break;
        }
        case PT_BOOL:
            if (*text == "true" || *text == "TRUE" || *text == "1") v.FillBool(true);
            else if (*text == "false" || *text == "FALSE" || *text == "0") v.FillBool(false);
            else badSpec(spec);
            break;
        default: v.FillStr(*text); break;
        }
    } catch (...) {
        vars.Delete(entry);
        throw;
    }
}

} // namespace nuvo
