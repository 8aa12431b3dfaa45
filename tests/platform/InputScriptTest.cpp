#include "platform/InputScript.h"
#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

#include <string>

using namespace nuvo::platform;
using Kind = InputAction::Kind;

TEST(InputScript, ActionsExpandAndSortByFrame) {
    const auto actions = parseInputScript("# a title's opening\n"
                                          "10 click 100 200   # down now, up next frame\n"
                                          "\n"
                                          "3 MOVE -5 7\n"
                                          "10 key Enter\n"
                                          "4 down right\n"
                                          "4 up right 1 2\r\n"
                                          "5 wheel down 3\n"
                                          "6 keydown 0x41\n"
                                          "6 keyup 66\n"
                                          "7 answer YES\n"
                                          "7 toolbar screen\n"
                                          "8 deactivate\n"
                                          "8 activate\n"
                                          "12 quit");
    struct Expected {
        int64_t frame;
        Kind kind;
        int line;
    };
    const Expected expected[] = {
        {3, Kind::Move, 4},    {4, Kind::Down, 6},     {4, Kind::Up, 7},          {5, Kind::Wheel, 8},
        {5, Kind::Wheel, 8},   {5, Kind::Wheel, 8},    {6, Kind::KeyDown, 9},     {6, Kind::KeyUp, 10},
        {7, Kind::Answer, 11}, {7, Kind::Toolbar, 12}, {8, Kind::Deactivate, 13}, {8, Kind::Activate, 14},
        {10, Kind::Down, 2},   {10, Kind::KeyDown, 5}, {11, Kind::Up, 2},         {11, Kind::KeyUp, 5},
        {12, Kind::Quit, 15},
    };
    ASSERT_EQ(actions.size(), std::size(expected));
    for (size_t i = 0; i < actions.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(actions[i].frame, expected[i].frame);
        EXPECT_EQ(actions[i].kind, expected[i].kind);
        EXPECT_EQ(actions[i].line, expected[i].line);
    }
    EXPECT_EQ(actions[0].x, -5);
    EXPECT_EQ(actions[0].y, 7);
    EXPECT_EQ(actions[1].button, MouseButton::Right);
    EXPECT_FALSE(actions[1].hasPosition);
    EXPECT_TRUE(actions[2].hasPosition);
    EXPECT_FALSE(actions[3].wheelUp);
    EXPECT_EQ(actions[6].key, 0x41);
    EXPECT_EQ(actions[7].key, 66);
    EXPECT_EQ(actions[8].answer, MessageResult::Yes);
    EXPECT_EQ(actions[9].toolbarButton, ToolbarButton::ScreenSwitch);
    EXPECT_EQ(actions[12].x, 100);
    EXPECT_EQ(actions[14].y, 200);
    EXPECT_EQ(actions[13].key, vk::Return);
}

TEST(InputScript, ErrorsNameTheLine) {
    struct Case {
        const char* text;
        int line;
        const char* words; // part of the message
    };
    const Case cases[] = {
        {"1 move 1 2\nmove 1 2", 2, "frame number"},
        {"-1 quit", 1, "frame number"},
        {"100000001 quit", 1, "frame number"},
        {"5", 1, "action"},
        {"5 jump", 1, "unknown action \"jump\""},
        {"5 move 1", 1, "missing Y"},
        {"5 move", 1, "position"},
        {"5 move 1 2 3", 1, "unexpected \"3\""},
        {"5 move 1 2000000", 1, "coordinate"},
        {"5 click left", 1, "position"},
        {"5 down top 1 2", 1, "coordinate"},
        {"5 wheel sideways", 1, "up or down"},
        {"5 wheel up 0", 1, "wheel count"},
        {"5 wheel up 101", 1, "wheel count"},
        {"5 key", 1, "missing argument"},
        {"5 key Hyper", 1, "unknown key"},
        {"5 keydown 256", 1, "unknown key"},
        {"5 keydown 0x00", 1, "unknown key"},
        {"5 answer maybe", 1, "answer takes"},
        {"5 toolbar help", 1, "toolbar takes"},
        {"\n\n# x\n5 quit now", 4, "unexpected"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            parseInputScript(c.text);
            ADD_FAILURE() << "no error";
        } catch (const EInputScriptError& e) {
            EXPECT_EQ(e.Line(), c.line);
            EXPECT_NE(std::string(e.what()).find(c.words), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("line " + std::to_string(c.line) + ":"), std::string::npos);
        }
    }
}

TEST(InputScript, MessagesShowOnlyPrintableBytes) {
    try {
        parseInputScript(std::string("1 \x01\x02jump\x7f"));
        FAIL();
    } catch (const EInputScriptError& e) {
        EXPECT_NE(std::string(e.what()).find("\"??jump?\""), std::string::npos) << e.what();
    }
}

TEST(VirtualKeys, NamesAndNumbers) {
    struct Case {
        const char* name;
        int key;
    };
    const Case cases[] = {
        {"Enter", 0x0D},  {"return", 0x0D},  {"ESCAPE", 0x1B}, {"esc", 0x1B},     {"Space", 0x20},      {"Left", 0x25},
        {"up", 0x26},     {"Right", 0x27},   {"Down", 0x28},   {"a", 'A'},        {"Z", 'Z'},           {"0", '0'},
        {"9", '9'},       {"F1", 0x70},      {"f12", 0x7B},    {"F24", 0x87},     {"F25", 0},           {"F0", 0},
        {"F01", 0},       {"NumPad7", 0x67}, {"Kanji", 0x19},  {"Convert", 0x1C}, {"NonConvert", 0x1D}, {"Kana", 0x15},
        {"Oem102", 0xE2}, {"13", 13},        {"0x0d", 13},     {"0XFF", 255},     {"255", 255},         {"256", 0},
        {"0x", 0},        {"0x100", 0},      {"", 0},          {"?", 0},          {"Shift", 0x10},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vk::keyFromName(c.name), c.key) << c.name;
    // Every number comes back from its name.
    for (int key = 1; key < 256; ++key)
        EXPECT_EQ(vk::keyFromName(vk::keyName(static_cast<uint8_t>(key))), key)
            << vk::keyName(static_cast<uint8_t>(key));
    EXPECT_EQ(vk::keyName(0x0D), "Enter");
    EXPECT_EQ(vk::keyName(0x07), "0x07");
}
