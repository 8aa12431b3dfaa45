// The MIDI file reader on any bytes: it loads or refuses, never crashes,
// hangs or allocates more than the bytes can back; the times it computes
// never go back; and the dump of what it read builds a file whose dump
// builds the very same bytes again.
#include "media/MidiText.h"
#include "media/MidiV.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nuvo::TMidiV midi;
    if (!midi.LoadFromBytes(data, size)) return 0;
    for (size_t i = 1; i < midi.Events.size(); ++i)
        if (midi.Events[i].Time < midi.Events[i - 1].Time || midi.Events[i].Tick < midi.Events[i - 1].Tick) std::abort();
    // Rebuilding thousands of empty tracks only slows the fuzzer down.
    if (midi.TrackCount > 1000) return 0;
    try {
        const std::vector<uint8_t> rebuilt = nuvo::buildMidiFile(nuvo::dumpMidiText(midi));
        nuvo::TMidiV again;
        if (!again.LoadFromBytes(rebuilt.data(), rebuilt.size())) std::abort();
        if (nuvo::buildMidiFile(nuvo::dumpMidiText(again)) != rebuilt) std::abort();
    } catch (const nuvo::EMidiTextError&) {
        std::abort(); // every dump must build
    }
    return 0;
}
