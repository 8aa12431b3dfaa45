// Short descriptions of a word's elements for tables of cases:
//   a character is its text with its style in brackets: "x[b #FF0000 link=p]"
//   (b i u s the style bits, a size, a colour, border=, shadow=, bcolor=,
//   scolor=, font=, nobr, ruby=, link=, wait= when not 50);
//   the others "<br>", "<br clear>", "<div L>", "<indent>", "<undent>",
//   "<event H>" (^ for the byte 0x01), "<var N>", "<img SRC ALIGN>", "<hist V>".
// Elements are joined with "|".
#pragma once

#include "base/Cp932.h"
#include "text/KvWord.h"

#include <cstdio>
#include <string>

namespace nuvo::test {

inline std::string colourText(int32_t c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return buf;
}

inline std::string alignText(int32_t a) {
    switch (a) {
    case kAlignLeft: return "L";
    case kAlignRight: return "R";
    case kAlignCenter: return "C";
    case kAlignTop: return "T";
    case kAlignBottom: return "B";
    default: return std::to_string(a);
    }
}

inline std::string styleText(const TDecorate* d, const std::string& link, int32_t wait) {
    std::string s;
    const auto add = [&](const std::string& part) { s += (s.empty() ? "" : " ") + part; };
    if (d) {
        if (d->Style & 1) add("b");
        if (d->Style & 2) add("i");
        if (d->Style & 4) add("u");
        if (d->Style & 8) add("s");
        if (d->Size) add(std::to_string(d->Size));
        if (d->Color >= 0) add(colourText(d->Color));
        if (d->BorderWidth >= 0) add("border=" + std::to_string(d->BorderWidth));
        if (d->ShadowOffset >= 0) add("shadow=" + std::to_string(d->ShadowOffset));
        if (d->BorderColor >= 0) add("bcolor=" + colourText(d->BorderColor));
        if (d->ShadowColor >= 0) add("scolor=" + colourText(d->ShadowColor));
        if (!d->Name.empty()) add("font=" + sjisToUtf8(d->Name));
        if (d->NoBreak) add("nobr");
        if (!d->Ruby.empty()) add("ruby=" + sjisToUtf8(d->Ruby));
    }
    if (!link.empty()) add("link=" + sjisToUtf8(link));
    if (wait != 50) add("wait=" + std::to_string(wait));
    return s.empty() ? s : "[" + s + "]";
}

inline std::string describe(const TWdGlyph& e) {
    if (const auto* c = dynamic_cast<const TWdChar*>(&e)) return sjisToUtf8Escaped(c->Text()) + styleText(c->Style(), c->Link, c->Wait);
    if (const auto* a = dynamic_cast<const TWdOpeAlign*>(&e)) return "<div " + alignText(a->Align) + ">";
    if (const auto* r = dynamic_cast<const TWdOpeReturn*>(&e)) return r->Clear ? "<br clear>" : "<br>";
    if (dynamic_cast<const TWdOpeIndent*>(&e)) return "<indent>";
    if (dynamic_cast<const TWdOpeUndent*>(&e)) return "<undent>";
    if (const auto* ev = dynamic_cast<const TWdOpeEvent*>(&e)) {
        std::string h = sjisToUtf8(ev->Handler);
        if (!h.empty() && h[0] == '\x01') h[0] = '^';
        return "<event " + h + ">" + (ev->Wait != 50 ? "[wait=" + std::to_string(ev->Wait) + "]" : "");
    }
    if (const auto* v = dynamic_cast<const TWdOpeVar*>(&e)) return "<var " + sjisToUtf8(v->Value) + ">" + styleText(v->Style(), {}, 50);
    if (const auto* h = dynamic_cast<const TWdOpeHistChar*>(&e)) return "<hist " + sjisToUtf8(h->Value) + ">" + styleText(h->Style(), {}, 50);
    if (const auto* i = dynamic_cast<const TWdImg*>(&e)) {
        std::string s = "<img " + sjisToUtf8(i->Src) + " " + alignText(i->Align) + ">";
        TDecorate d;
        d.NoBreak = i->NoBreak;
        d.Ruby = i->Ruby;
        return s + styleText(&d, i->Link, i->Wait);
    }
    return std::string("?") + e.Kind();
}

inline std::string describe(const TKvWord& w) {
    std::string out;
    for (const auto& e : w.Elements) out += (out.empty() ? "" : "|") + describe(*e);
    return out;
}

} // namespace nuvo::test
