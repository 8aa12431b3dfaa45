#include "script/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace nuvo {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<int32_t> parseHex(std::string_view digits, bool negative) {
    if (digits.empty()) return std::nullopt;
    uint64_t v = 0;
    for (char c : digits) {
        const int d = hexDigit(c);
        if (d < 0) return std::nullopt;
        v = v * 16 + static_cast<uint64_t>(d);
        if (v > 0xFFFFFFFFu) return std::nullopt;
    }
    uint32_t u = static_cast<uint32_t>(v);
    if (negative) u = 0u - u;
    return static_cast<int32_t>(u);
}

// A real rounded to 15 significant digits: value = d1.d2d3... * 10^exponent.
struct Rounded15 {
    bool negative = false;
    std::string digits; // without trailing zeros, never empty
    int exponent = 0;
};

Rounded15 round15(long double value) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    const std::string_view text(buf, static_cast<size_t>(r.ptr - buf));
    Rounded15 out;
    size_t i = 0;
    if (text[i] == '-') {
        out.negative = true;
        ++i;
    }
    for (; i < text.size() && text[i] != 'e'; ++i)
        if (isDigit(text[i])) out.digits += text[i];
    out.exponent = std::atoi(std::string(text.substr(i + 1)).c_str());
    while (out.digits.size() > 1 && out.digits.back() == '0')
        out.digits.pop_back();
    return out;
}

} // namespace

std::string intToText(int32_t value) {
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

std::string realToText(long double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (value == 0) return "0";
    const Rounded15 r = round15(value);
    std::string out = r.negative ? "-" : "";
    const std::string& d = r.digits;
    if (r.exponent < -5 || r.exponent >= 15) {
        out += d[0];
        if (d.size() > 1) out.append(".").append(d, 1);
        out += 'E';
        out += intToText(r.exponent);
    } else if (r.exponent < 0) {
        out.append("0.").append(static_cast<size_t>(-r.exponent - 1), '0').append(d);
    } else {
        const size_t intLen = static_cast<size_t>(r.exponent) + 1;
        if (d.size() <= intLen) {
            out.append(d).append(intLen - d.size(), '0');
        } else {
            out.append(d, 0, intLen).append(".").append(d, intLen);
        }
    }
    return out;
}

std::optional<int32_t> parseInt(std::string_view t) {
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    if (i < t.size() && t[i] == '$') return parseHex(t.substr(i + 1), negative);
    if (i == t.size()) return std::nullopt;
    int64_t v = 0;
    for (; i < t.size(); ++i) {
        if (!isDigit(t[i])) return std::nullopt;
        v = v * 10 + (t[i] - '0');
        if (v > 2147483648LL) return std::nullopt;
    }
    if (negative) v = -v;
    if (v > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(v);
}

std::optional<long double> parseReal(std::string_view t) {
    while (!t.empty() && isBlank(t.front()))
        t.remove_prefix(1);
    while (!t.empty() && isBlank(t.back()))
        t.remove_suffix(1);
    if (t.empty()) return std::nullopt;
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    const size_t bodyStart = t[0] == '+' ? 1 : 0; // the converter takes "-" but not "+"
    size_t intDigits = 0, intSignificant = 0, fracDigits = 0, fracLeadingZeros = 0;
    bool seenNonZero = false;
    for (; i < t.size() && isDigit(t[i]); ++i, ++intDigits)
        if (t[i] != '0' || seenNonZero) {
            seenNonZero = true;
            ++intSignificant;
        }
    if (i < t.size() && t[i] == '.') {
        for (++i; i < t.size() && isDigit(t[i]); ++i, ++fracDigits) {
            if (t[i] != '0') seenNonZero = true;
            if (!seenNonZero) ++fracLeadingZeros;
        }
    }
    if (intDigits + fracDigits == 0) return std::nullopt;
    long long exponent = 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        bool negExp = false;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) negExp = t[i++] == '-';
        if (i == t.size() || !isDigit(t[i])) return std::nullopt;
        for (; i < t.size() && isDigit(t[i]); ++i)
            if (exponent < 1000000000) exponent = exponent * 10 + (t[i] - '0');
        if (negExp) exponent = -exponent;
    }
    if (i != t.size()) return std::nullopt;
    const std::string_view body = t.substr(bodyStart);
    long double v = 0;
    const auto r = std::from_chars(body.data(), body.data() + body.size(), v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Out of range either way: too large is not a number, too small is zero.
        const long long magnitude = intSignificant > 0 ? exponent + static_cast<long long>(intSignificant)
                                                       : exponent - static_cast<long long>(fracLeadingZeros);
        if (magnitude > 0) return std::nullopt;
        return 0.0L;
    }
    if (r.ec != std::errc() || r.ptr != body.data() + body.size()) return std::nullopt;
    return v;
}

} // namespace nuvo
