// Numbers, mathematics (80-bit reals), Random, and dates and times. A
// date-time is a real counting days since 30 December 1899, its fraction the
// time of day.
#include "base/Error.h"
#include "base/IntMath.h"
#include "script/ScriptContext.h"
#include "script/ScriptLibrary.h"
#include "script/SysFuncMan.h"

#include <cmath>
#include <cstdint>

namespace nuvo {

void setCheckedFloat(FunctionCall& call, long double x) {
    if (std::isnan(x)) raiseError("Invalid floating point operation");
    if (std::isinf(x)) raiseError("Floating point overflow");
    call.SetResultFloat(x);
}

namespace {

constexpr int64_t kMsPerDay = 86400000;

// Days from 1970-01-01 to a proleptic Gregorian date.
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct Civil {
    int64_t year, month, day;
};

Civil civilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const int64_t m = mp + (mp < 10 ? 3 : -9);
    return {yoe + era * 400 + (m <= 2), m, d};
}

const int64_t kEpoch = daysFromCivil(1899, 12, 30);

bool isLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int64_t y, int64_t m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

// A date-time split into whole days since 30 December 1899 and milliseconds
// of the day, rounding to the nearest millisecond as the system did.
struct Stamp {
    int64_t days;
    int64_t ms;
};

Stamp toStamp(long double x) {
    // Years 1 to 9999 and a generous margin either side; beyond, no calendar.
    if (!(std::fabs(x) < 1.0e9L)) raiseError("Invalid argument to date decode");
    const int64_t total = static_cast<int64_t>(std::nearbyint(x * kMsPerDay));
    const int64_t days = total / kMsPerDay;
    int64_t ms = total % kMsPerDay;
    if (ms < 0) ms = -ms;
    return {days, ms};
}

struct DateParts {
    int32_t year = 0, month = 0, day = 0, week = 0;
};

DateParts decodeDate(long double x) {
    const Stamp s = toStamp(x);
    DateParts p;
    const int64_t z = s.days + kEpoch;
    const int64_t dayNumber = z - daysFromCivil(1, 1, 1) + 1; // 1 for 1 January of year 1
    p.week = static_cast<int32_t>(((dayNumber % 7) + 7) % 7 + 1); // 1 = Sunday
    if (dayNumber <= 0) return p;                                 // before year 1: no date
    const Civil c = civilFromDays(z);
    p.year = static_cast<int32_t>(c.year);
    p.month = static_cast<int32_t>(c.month);
    p.day = static_cast<int32_t>(c.day);
    return p;
}

struct TimeParts {
    int32_t hour, minute, second;
};

TimeParts decodeTime(long double x) {
    const int64_t ms = toStamp(x).ms;
    return {static_cast<int32_t>(ms / 3600000), static_cast<int32_t>(ms / 60000 % 60), static_cast<int32_t>(ms / 1000 % 60)};
}

long double toRadiansArgument(FunctionCall& c, int i) {
    const long double x = c.Float(i);
    if (std::isnan(x) || std::isinf(x)) raiseError("Invalid floating point operation");
    return x;
}

void storeInto(FunctionCall& c, int i, int32_t v) { c.Writable(i).SetInteger(v); }

using Fn = void (*)(FunctionCall&);

struct Entry {
    const char* name;
    Fn fn;
};

const Entry kNumbers[] = {
    {"Int", [](FunctionCall& c) { setCheckedFloat(c, std::trunc(c.Float(0))); }},
    {"Float", [](FunctionCall& c) { setCheckedFloat(c, c.Float(0)); }},
    {"Abs", [](FunctionCall& c) { c.SetResultInt(wrapAbs(c.Int(0))); }},
    {"Fabs", [](FunctionCall& c) { setCheckedFloat(c, std::fabs(c.Float(0))); }},
    {"Min", [](FunctionCall& c) { c.SetResultInt(std::min(c.Int(0), c.Int(1))); }},
    {"Max", [](FunctionCall& c) { c.SetResultInt(std::max(c.Int(0), c.Int(1))); }},
    {"Fmin", [](FunctionCall& c) { setCheckedFloat(c, std::fmin(c.Float(0), c.Float(1))); }},
    {"Fmax", [](FunctionCall& c) { setCheckedFloat(c, std::fmax(c.Float(0), c.Float(1))); }},
    {"Sin", [](FunctionCall& c) { setCheckedFloat(c, std::sin(toRadiansArgument(c, 0))); }},
    {"Cos", [](FunctionCall& c) { setCheckedFloat(c, std::cos(toRadiansArgument(c, 0))); }},
    {"Tan", [](FunctionCall& c) { setCheckedFloat(c, std::tan(toRadiansArgument(c, 0))); }},
    {"ArcSin",
     [](FunctionCall& c) {
         const long double x = c.Float(0);
         if (!(x >= -1.0L && x <= 1.0L)) raiseError("Invalid floating point operation");
         setCheckedFloat(c, std::asin(x));
     }},
    {"ArcCos",
     [](FunctionCall& c) {
         const long double x = c.Float(0);
         if (!(x >= -1.0L && x <= 1.0L)) raiseError("Invalid floating point operation");
         setCheckedFloat(c, std::acos(x));
     }},
    {"ArcTan", [](FunctionCall& c) { setCheckedFloat(c, std::atan(c.Float(0))); }},
    {"ArcTan2", [](FunctionCall& c) { setCheckedFloat(c, std::atan2(c.Float(0), c.Float(1))); }},
    {"Hypot", [](FunctionCall& c) { setCheckedFloat(c, std::hypot(c.Float(0), c.Float(1))); }},
    {"Random",
     [](FunctionCall& c) {
         const uint32_t range = static_cast<uint32_t>(c.Int(0));
         uint32_t& seed = c.Context.RandSeed;
         seed = seed * 134775813u + 1u;
         c.SetResultInt(static_cast<int32_t>((static_cast<uint64_t>(seed) * range) >> 32));
     }},
    {"EncodeDate",
     [](FunctionCall& c) {
         const int64_t y = c.Int(0), m = c.Int(1), d = c.Int(2);
         if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m))
             raiseError("Invalid argument to date encode");
         c.SetResultFloat(static_cast<long double>(daysFromCivil(y, m, d) - kEpoch));
     }},
    {"EncodeTime",
     [](FunctionCall& c) {
         const int64_t h = c.Int(0), m = c.Int(1), s = c.Int(2);
         if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) raiseError("Invalid argument to time encode");
         c.SetResultFloat(static_cast<long double>((h * 3600 + m * 60 + s) * 1000) / kMsPerDay);
     }},
    {"DecodeDate",
     [](FunctionCall& c) {
         const DateParts p = decodeDate(c.Float(0));
         storeInto(c, 1, p.year);
         storeInto(c, 2, p.month);
         storeInto(c, 3, p.day);
     }},
    {"DecodeTime",
     [](FunctionCall& c) {
         const TimeParts t = decodeTime(c.Float(0));
         storeInto(c, 1, t.hour);
         storeInto(c, 2, t.minute);
         storeInto(c, 3, t.second);
     }},
    {"GetYear", [](FunctionCall& c) { c.SetResultInt(decodeDate(c.Float(0)).year); }},
    {"GetMonth", [](FunctionCall& c) { c.SetResultInt(decodeDate(c.Float(0)).month); }},
    {"GetDay", [](FunctionCall& c) { c.SetResultInt(decodeDate(c.Float(0)).day); }},
    {"GetHour", [](FunctionCall& c) { c.SetResultInt(decodeTime(c.Float(0)).hour); }},
    {"GetMin", [](FunctionCall& c) { c.SetResultInt(decodeTime(c.Float(0)).minute); }},
    {"GetSec", [](FunctionCall& c) { c.SetResultInt(decodeTime(c.Float(0)).second); }},
    {"GetWeek", [](FunctionCall& c) { c.SetResultInt(decodeDate(c.Float(0)).week); }},
    {"GetWeekStr",
     [](FunctionCall& c) {
         static const char* const names[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
         c.SetResultStr(names[decodeDate(c.Float(0)).week - 1]);
     }},
    {"GetWeekJStr",
     [](FunctionCall& c) {
         static const std::string names[] = {sjisText("日"), sjisText("月"), sjisText("火"), sjisText("水"),
                                             sjisText("木"), sjisText("金"), sjisText("土")};
         c.SetResultStr(names[decodeDate(c.Float(0)).week - 1]);
     }},
};

} // namespace

void registerNumberFunctions(TSysFuncMan& functions) {
    for (const Entry& e : kNumbers) functions.SetHandler(findFunction(e.name), e.fn, true);
}

} // namespace nuvo
