#include "base/Error.h"

#include "base/Cp932.h"

#include <charconv>

namespace nuvo {

ENuvoError::ENuvoError(std::string sjisMessage)
    : message_(std::move(sjisMessage)), utf8_(sjisToUtf8(message_)) {}

void raiseError(std::string sjisMessage) { throw ENuvoError(std::move(sjisMessage)); }

std::string formatSjis(std::string_view tmpl, std::initializer_list<FormatArg> args) {
    std::string out;
    out.reserve(tmpl.size() + 32);
    auto next = args.begin();
    for (size_t i = 0; i < tmpl.size(); i += charLength(tmpl, i)) {
        if (tmpl[i] != '%' || i + 1 >= tmpl.size()) {
            out.append(tmpl.substr(i, charLength(tmpl, i)));
            continue;
        }
        const char spec = tmpl[i + 1];
        if (spec == '%') {
            out += '%';
        } else if ((spec == 's' || spec == 'd') && next != args.end()) {
            if (auto* s = std::get_if<std::string_view>(&*next)) {
                out.append(*s);
            } else {
                char buf[24];
                auto r = std::to_chars(buf, buf + sizeof buf, std::get<long long>(*next));
                out.append(buf, r.ptr);
            }
            ++next;
        } else {
            out.append(tmpl.substr(i, 2));
        }
        ++i; // the marker's second byte; the loop steps over the first
    }
    return out;
}

std::string sjisText(std::string_view utf8) { return utf8ToSjis(utf8); }

void raiseFormat(std::string_view utf8Template, std::initializer_list<FormatArg> args) {
    throw ENuvoError(formatSjis(sjisText(utf8Template), args));
}

} // namespace nuvo
