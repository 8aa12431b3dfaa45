// What the registry asks of the program around it: the window's cursor, the
// script's default cursor, films for motions, the picture cache around
// display mode changes and the media managers' sound switch. The main window
// supplies one; every call has a neutral default, so a registry without a
// host (tests, tools, a cinema's private registry) simply does without.
#pragma once

#include "components/NuvoMotion.h"

#include <memory>
#include <string>

namespace nuvo {

class ScriptContext;
class TFontPixelManager;
class TNuvoControl;
class TPelkCollection;

class IBaseListHost {
public:
    virtual ~IBaseListHost() = default;

    // Shows a title's cursor file (Shift-JIS name, found through the file
    // manager) over the screen; the empty name shows the standard arrow. A
    // file that cannot be loaded shows the standard arrow.
    virtual void ShowCursor(const std::string& fileName) { (void)fileName; }
    // The script's default cursor file (the system variable @Cursor); empty
    // for the standard arrow.
    virtual std::string DefaultCursor() const { return {}; }
    // Loads a film file to play on control; none when there is no such film.
    virtual std::unique_ptr<IMotionFilm> LoadMotionFilm(const std::string& fileName, TNuvoControl& control) {
        (void)fileName, (void)control;
        return nullptr;
    }
    // The layered-image cache lets go of its pictures before a display mode
    // change and reloads them after it.
    virtual void ReleasePictures() {}
    virtual void RestorePictures() {}
    // The layered-image cache image components take their frames from
    // (borrowed; it outlives the registry's components). None: images show
    // no pictures.
    virtual TPelkCollection* PictureCache() { return nullptr; }
    // The script context expressions kept by components (an image's
    // LoopWait) are evaluated in. None: they count as no value.
    virtual ScriptContext* Script() { return nullptr; }
    // The glyph cache labels draw with (borrowed; it outlives the
    // registry's components). None: labels measure nothing and draw nothing.
    virtual TFontPixelManager* Glyphs() { return nullptr; }
    // Sound was switched on or off: every media manager follows.
    virtual void SoundEnabledChanged(bool enabled) { (void)enabled; }
};

} // namespace nuvo
