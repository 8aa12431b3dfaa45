// The trace file: one UTF-8 line per trace, written as it comes; lines above
// the sink's level are left out.
#include "engine/TraceSink.h"

#include "base/Error.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nuvo;

TEST(TraceSink, WritesLinesUpToItsLevelToAFile) {
    test::TempDir dir;
    const std::string path = (dir.path() / "trace.txt").string();
    {
        auto sink = TTraceSink::OpenFile(path, TraceLevel::Events);
        sink->Trace(TraceLevel::Events, test::sj("00000010 : <Event>メニュー.nsb(3)"));
        EXPECT_EQ(test::readFile(path), "00000010 : <Event>メニュー.nsb(3)\n"); // already on disk
        sink->Trace(TraceLevel::Commands, "00000010 : a.nsb(4)");
        sink->Trace(TraceLevel::Events, std::string("bad \x81", 5));
    }
    EXPECT_EQ(test::readFile(path), "00000010 : <Event>メニュー.nsb(3)\nbad \\x{81}\n");
    EXPECT_THROW(TTraceSink::OpenFile((dir.path() / "no" / "such" / "folder.txt").string()), ENuvoError);
}
