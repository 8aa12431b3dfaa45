// TNuvoPropMotion (LT_PROPMOTION): a non-visual object that moves one numeric
// property of another component, found by name, from the value it has when
// the motion finds it to TargetValue over Duration milliseconds, along a
// curve (MT_NORMAL straight, MT_INC slow start, MT_DEC slow end). The
// PropMotion command fills it.
//
// The motion itself does not run yet: a motion is made, named and filled,
// and stands still.
#pragma once

#include "components/NuvoObject.h"

#include <string>

namespace nuvo {

// Curve types of a property motion.
enum : uint8_t {
    MT_NORMAL = 0,
    MT_INC = 1,
    MT_DEC = 2,
};

class TNuvoPropMotion : public TNuvoComponent {
public:
    using TNuvoComponent::TNuvoComponent;

    uint8_t GetCompoType() const override { return LT_PROPMOTION; }
    bool GetPaused() const override { return Paused; }
    void SetPaused(bool v) override { Paused = v; }

    // The name of the component to move.
    std::string TargetName;
    // The PR_ number moved, kept whole as the command gives it (255: none);
    // a number outside the catalogue ends the motion when it starts.
    int32_t Property = 255;
    long double TargetValue = 0;
    // Milliseconds.
    int32_t Duration = 0;
    uint8_t CurveType = MT_NORMAL;
    bool Paused = false;
    // The property's value when the target was found, and the milliseconds
    // since.
    long double StartValue = 0;
    int32_t Elapsed = 0;
};

} // namespace nuvo
