#include "script/FunctionCatalogue.h"

#include "base/Error.h"
#include "script/Param.h"

#include <array>

namespace nuvo {
namespace {

constexpr std::array<FunctionInfo, kFunctionCount> kFunctions = {{
    {"IntToStr", 1, 2, PT_STR}, // 0
    {"IntToHex", 2, 2, PT_STR}, // 1
    {"GetProp", 2, 2, PT_STR}, // 2
    {"SetProp", 3, 3, PT_STR}, // 3
    {"GetArraySize", 1, 2, PT_INT}, // 4
    {"Length", 1, 1, PT_INT}, // 5
    {"JLength", 1, 1, PT_INT}, // 6
    {"Copy", 2, 3, PT_STR}, // 7
    {"JCopy", 2, 3, PT_STR}, // 8
    {"Delete", 2, 3, PT_STR}, // 9
    {"JDelete", 2, 3, PT_STR}, // 10
    {"Insert", 3, 3, PT_STR}, // 11
    {"JInsert", 3, 3, PT_STR}, // 12
    {"CompareStr", 2, 2, PT_INT}, // 13
    {"CompareText", 2, 2, PT_INT}, // 14
    {"Pos", 2, 2, PT_INT}, // 15
    {"JPos", 2, 2, PT_INT}, // 16
    {"Trim", 1, 1, PT_STR}, // 17
    {"JTrim", 1, 1, PT_STR}, // 18
    {"Exists", 1, 1, PT_BOOL}, // 19
    {"Not", 1, 1, PT_BOOL}, // 20
    {"SetArray", 2, -1, PT_INT}, // 21
    {"FillMem", 2, 2, PT_INT}, // 22
    {"CopyMem", 2, 2, PT_INT}, // 23
    {"GetCheck", 2, 2, PT_BOOL}, // 24
    {"SetCheck", 3, 3, PT_INT}, // 25
    {"Random", 1, 1, PT_INT}, // 26
    {"GetSaveCaption", 1, 1, PT_STR}, // 27
    {"ArrayToString", 1, 2, PT_STR}, // 28
    {"StringToArray", 2, 3, PT_INT}, // 29
    {"IndexOfStr", 2, 4, PT_INT}, // 30
    {"SortStr", 1, 3, PT_INT}, // 31
    {"ListCompo", 1, 3, PT_INT}, // 32
    {"ToClientX", 2, 2, PT_INT}, // 33
    {"ToClientY", 2, 2, PT_INT}, // 34
    {"ToScreenX", 2, 2, PT_INT}, // 35
    {"ToScreenY", 2, 2, PT_INT}, // 36
    {"Int", 1, 1, PT_INT}, // 37
    {"Float", 1, 1, PT_FLOAT}, // 38
    {"Sin", 1, 1, PT_FLOAT}, // 39
    {"Cos", 1, 1, PT_FLOAT}, // 40
    {"Tan", 1, 1, PT_FLOAT}, // 41
    {"ArcSin", 1, 1, PT_FLOAT}, // 42
    {"ArcCos", 1, 1, PT_FLOAT}, // 43
    {"ArcTan", 1, 1, PT_FLOAT}, // 44
    {"ArcTan2", 2, 2, PT_FLOAT}, // 45
    {"Hypot", 2, 2, PT_FLOAT}, // 46
    {"IndexOfMenu", 2, 2, PT_INT}, // 47
    {"Abs", 1, 1, PT_INT}, // 48
    {"Fabs", 1, 1, PT_FLOAT}, // 49
    {"VarExists", 1, 1, PT_BOOL}, // 50
    {"EncodeDate", 3, 3, PT_FLOAT}, // 51
    {"EncodeTime", 3, 3, PT_FLOAT}, // 52
    {"DecodeDate", 4, 4, PT_INT}, // 53
    {"DecodeTime", 4, 4, PT_INT}, // 54
    {"GetYear", 1, 1, PT_INT}, // 55
    {"GetMonth", 1, 1, PT_INT}, // 56
    {"GetDay", 1, 1, PT_INT}, // 57
    {"GetHour", 1, 1, PT_INT}, // 58
    {"GetMin", 1, 1, PT_INT}, // 59
    {"GetSec", 1, 1, PT_INT}, // 60
    {"GetWeek", 1, 1, PT_INT}, // 61
    {"GetWeekStr", 1, 1, PT_STR}, // 62
    {"GetWeekJStr", 1, 1, PT_STR}, // 63
    {"FixStr", 1, 1, PT_STR}, // 64
    {"GetDisplayMode", 5, 5, PT_BOOL}, // 65
    {"AddArray", 2, 2, PT_INT}, // 66
    {"InsertArray", 3, 3, PT_INT}, // 67
    {"DeleteArray", 3, 3, PT_INT}, // 68
    {"InPrimary", 1, 1, PT_BOOL}, // 69
    {"CopyArray", 2, 2, PT_BOOL}, // 70
    {"FileExists", 1, 1, PT_BOOL}, // 71
    {"LoadTextFile", 2, 2, PT_BOOL}, // 72
    {"LowerCase", 1, 1, PT_STR}, // 73
    {"UpperCase", 1, 1, PT_STR}, // 74
    {"ExtractFilePath", 1, 1, PT_STR}, // 75
    {"ExtractFileName", 1, 1, PT_STR}, // 76
    {"ExtractFileExt", 1, 1, PT_STR}, // 77
    {"IsPathDelimiter", 2, 2, PT_BOOL}, // 78
    {"AddBackSlash", 1, 1, PT_STR}, // 79
    {"ChangeFileExt", 2, 2, PT_STR}, // 80
    {"IsDelimiter", 3, 3, PT_BOOL}, // 81
    {"StringOfChar", 2, 2, PT_STR}, // 82
    {"StringReplace", 3, 5, PT_STR}, // 83
    {"AssignTemp", 1, 1, PT_BOOL}, // 84
    {"HanToZen", 1, 1, PT_STR}, // 85
    {"ZenToHan", 1, 1, PT_STR}, // 86
    {"DBCreateTable", 2, 2, PT_BOOL}, // 87
    {"DBSetActive", 1, 1, PT_BOOL}, // 88
    {"DBAddField", 2, 3, PT_BOOL}, // 89
    {"DBSetRecNo", 1, 1, PT_BOOL}, // 90
    {"DBInsert", 0, -1, PT_BOOL}, // 91
    {"DBDelete", 0, 0, PT_BOOL}, // 92
    {"DBGetInt", 1, 1, PT_INT}, // 93
    {"DBSetInt", 2, 2, PT_BOOL}, // 94
    {"DBGetFloat", 1, 1, PT_FLOAT}, // 95
    {"DBSetFloat", 2, 2, PT_BOOL}, // 96
    {"DBGetBool", 1, 1, PT_BOOL}, // 97
    {"DBSetBool", 2, 2, PT_BOOL}, // 98
    {"DBGetStr", 1, 1, PT_STR}, // 99
    {"DBSetStr", 2, 2, PT_BOOL}, // 100
    {"DBRecordCount", 0, 1, PT_INT}, // 101
    {"DBFindFirst", 0, 0, PT_BOOL}, // 102
    {"DBFindLast", 0, 0, PT_BOOL}, // 103
    {"DBFindNext", 0, 0, PT_BOOL}, // 104
    {"DBFindPrior", 0, 0, PT_BOOL}, // 105
    {"DBLocate", 2, 4, PT_BOOL}, // 106
    {"DBLoadTsvFile", 1, 1, PT_BOOL}, // 107
    {"DBDirectGetInt", 7, 7, PT_INT}, // 108
    {"DBDirectSetInt", 7, 7, PT_BOOL}, // 109
    {"DBDirectGetFloat", 7, 7, PT_FLOAT}, // 110
    {"DBDirectSetFloat", 7, 7, PT_BOOL}, // 111
    {"DBDirectGetBool", 7, 7, PT_BOOL}, // 112
    {"DBDirectSetBool", 7, 7, PT_BOOL}, // 113
    {"DBDirectGetStr", 7, 7, PT_STR}, // 114
    {"DBDirectSetStr", 7, 7, PT_BOOL}, // 115
    {"DBCopyTable", 1, 5, PT_BOOL}, // 116
    {"DBDeleteTable", 0, 1, PT_BOOL}, // 117
    {"DBInsertTable", 1, 5, PT_BOOL}, // 118
    {"DBCopy", 1, 1, PT_BOOL}, // 119
    {"DBClearTable", 0, 0, PT_BOOL}, // 120
    {"DBSort", 2, 2, PT_BOOL}, // 121
    {"DBGetActive", 0, 0, PT_STR}, // 122
    {"DBGetRecNo", 0, 1, PT_INT}, // 123
    {"DBClearRecord", 0, 1, PT_BOOL}, // 124
    {"SetWallPaper", 2, 2, PT_BOOL}, // 125
    {"Min", 2, 2, PT_INT}, // 126
    {"Max", 2, 2, PT_INT}, // 127
    {"Fmin", 2, 2, PT_FLOAT}, // 128
    {"Fmax", 2, 2, PT_FLOAT}, // 129
    {"GetVarType", 1, 1, PT_INT}, // 130
    {"GetEnabled", 2, 2, PT_BOOL}, // 131
    {"SetEnabled", 3, 3, PT_INT}, // 132
    {"AddDelimiter", 2, 2, PT_STR}, // 133
    {"ListSaveCaption", 0, 2, PT_INT}, // 134
    {"OpenUrl", 1, 1, PT_BOOL}, // 135
    {"Calc", 1, 1, PT_STR}, // 136
    {"SaveScreen", 1, 5, PT_BOOL}, // 137
    {"StrToIntDef", 2, 2, PT_INT}, // 138
    {"StrToFloatDef", 2, 2, PT_FLOAT}, // 139
    {"GetVisible", 2, 2, PT_BOOL}, // 140
    {"SetVisible", 3, 3, PT_BOOL}, // 141
    {"GetHistoryCount", 1, 1, PT_INT}, // 142
    {"GetHistoryMaxCount", 1, 1, PT_INT}, // 143
    {"SetHistoryMaxCount", 2, 2, PT_BOOL}, // 144
    {"GetGroupIndex", 2, 2, PT_INT}, // 145
    {"GetSelected", 2, 2, PT_BOOL}, // 146
    {"SetSelected", 3, 3, PT_BOOL}, // 147
    {"SelectOpenFile", 1, 2, PT_BOOL}, // 148
    {"SelectSaveFile", 1, 2, PT_BOOL}, // 149
    {"SelectDirectory", 1, 1, PT_BOOL}, // 150
    {"ExtractFile", 1, 3, PT_BOOL}, // 151
    {"Chr", 1, 1, PT_STR}, // 152
    {"Ord", 1, 1, PT_INT}, // 153
    {"InCabinet", 1, 1, PT_BOOL}, // 154
    {"PushVar", 1, -1, PT_BOOL}, // 155
    {"PopVar", 0, 0, PT_BOOL}, // 156
    {"DeleteStack", 1, 1, PT_BOOL}, // 157
    {"CopyFile", 2, 2, PT_BOOL}, // 158
    {"DBGetTableCount", 0, 0, PT_INT}, // 159
    {"DBGetTable", 2, 3, PT_BOOL}, // 160
}};

} // namespace

const FunctionInfo& functionInfo(int number) { return kFunctions[static_cast<size_t>(number)]; }

int findFunction(std::string_view name) {
    for (size_t i = 0; i < kFunctions.size(); ++i)
        if (name == kFunctions[i].name) return static_cast<int>(i);
    return -1;
}

std::string functionText(int number) {
    return isFunctionNumber(number) ? std::string(functionInfo(number).name) : "#" + std::to_string(number);
}

void raiseArgumentCount(int number) {
    raiseFormat("%s 引数の数が不正です", {std::string_view(functionInfo(number).name)});
}

} // namespace nuvo
