// The text form of MIDI files on any text: a file or a message naming the
// line, never a crash, a hang or an allocation beyond what the text holds;
// what it builds reads back.
#include "media/MidiText.h"
#include "media/MidiV.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<uint8_t> file;
    try {
        file = nuvo::buildMidiFile(text);
    } catch (const nuvo::EMidiTextError&) {
        return 0;
    }
    nuvo::TMidiV midi;
    if (file.size() <= static_cast<size_t>(nuvo::TMidiV::kMaxFileBytes) && !midi.LoadFromBytes(file.data(), file.size()))
        std::abort();
    return 0;
}
