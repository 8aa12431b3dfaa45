#include "media/MidiPortChoice.h"

#include "base/Cp932.h"
#include "base/Error.h"

namespace nuvo {

std::string TMidiPortChoice::MapperName() { return sjisText("MIDIマッパー"); }

TMidiPortChoice::TMidiPortChoice(platform::IMidiPorts* ports) {
    names_.push_back(MapperName());
    if (ports)
        for (const platform::MidiPortInfo& p : ports->List())
            names_.push_back(utf8ToSjis(p.name));
}

bool TMidiPortChoice::Select(const std::string& sjisName) {
    for (size_t i = 0; i < names_.size(); ++i)
        if (names_[i] == sjisName) {
            const bool changed = static_cast<int32_t>(i) != index_;
            index_ = static_cast<int32_t>(i);
            return changed;
        }
    return false;
}

} // namespace nuvo
