// The MIDI output chosen for the title: the list scripts read as @MidiPorts
// ("MIDIマッパー", then every port, in Shift-JIS) and the device selected
// by @MidiPort, by name. Device index 0 is the mapper; the MIDI player opens
// index - 1 (-1 being the mapper, which plays on port 0).
#pragma once

#include "platform/MidiOut.h"

#include <cstdint>
#include <string>
#include <vector>

namespace nuvo {

class TMidiPortChoice {
public:
    // The mapper's name as scripts see it (Shift-JIS).
    static std::string MapperName();

    // Reads the port list now; ports may be null (only the mapper is listed).
    explicit TMidiPortChoice(platform::IMidiPorts* ports);

    const std::vector<std::string>& Names() const { return names_; }
    int32_t DeviceIndex() const { return index_; }
    // What TMidiPlayV::OpenDevice takes.
    int32_t PortIndex() const { return index_ - 1; }
    std::string SelectedName() const { return names_[static_cast<size_t>(index_)]; }
    // By name, as the list spells it; an unknown name changes nothing.
    // True when the choice changed.
    bool Select(const std::string& sjisName);

private:
    std::vector<std::string> names_;
    int32_t index_ = 0;
};

} // namespace nuvo
