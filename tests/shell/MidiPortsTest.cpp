// @MidiPorts and @MidiPort in the player: the mapper and the built-in
// synthesizer (a headless run lists no ALSA ports, so it is the same on
// every machine), selection by name, and nothing without an audio device.
#include "base/Cp932.h"
#include "base/Error.h"
#include "media/MidiPortChoice.h"
#include "platform/Backend.h"
#include "platform/System.h"
#include "script/ParamCollection.h"
#include "shell/FormView.h"
#include "shell/ShellTestSupport.h"

#include <gtest/gtest.h>

namespace nuvo {
namespace {

struct View {
    std::unique_ptr<platform::IBackend> backend = platform::createHeadlessBackend({});
    std::unique_ptr<platform::ISystem> system = platform::createLinuxSystem();
    test::TempDir saves;
    std::unique_ptr<TFormView> view;

    explicit View(bool audio) {
        TFormViewSetup setup;
        setup.Window = &backend->Window();
        setup.Clock = &backend->Clock();
        setup.Dialogs = &backend->Dialogs();
        setup.System = system.get();
        if (audio) setup.Audio = &backend->Audio();
        setup.Args = {test::builtTitle("player")};
        setup.SaveFolder = saves.str();
        setup.PacingThread = false;
        view = std::make_unique<TFormView>(std::move(setup));
    }
    TCustomParam& var(const char* name) { return *view->Vars().Find(name)->Value(); }
};

TEST(MidiPorts, ScriptsListThePortsAndChooseOneByName) {
    View v(true);
    TCustomParam& ports = v.var("@MidiPorts");
    TCustomParam& port = v.var("@MidiPort");
    const std::string mapper = sjisText("MIDIマッパー");
    ASSERT_EQ(ports.Count(), 2);
    EXPECT_EQ(ports.GetStrAt(0), mapper);
    EXPECT_EQ(ports.GetStrAt(1), "FluidSynth");
    EXPECT_EQ(ports.AsString(), mapper) << "the scalar read is element 0";
    EXPECT_EQ(port.AsString(), mapper) << "the mapper until another is chosen";
    EXPECT_EQ(v.view->Context().MidiChoice->PortIndex(), -1);

    port.SetString("FluidSynth");
    EXPECT_EQ(port.AsString(), "FluidSynth");
    EXPECT_EQ(v.view->Context().MidiChoice->DeviceIndex(), 1);
    EXPECT_EQ(v.view->Context().MidiChoice->PortIndex(), 0) << "what the MIDI player opens";
    for (const char* unknown : {"fluidsynth", "Timidity", ""}) {
        port.SetString(unknown);
        EXPECT_EQ(port.AsString(), "FluidSynth") << "an unknown name changes nothing: " << unknown;
    }
    port.SetString(mapper);
    EXPECT_EQ(v.view->Context().MidiChoice->DeviceIndex(), 0);
}

TEST(MidiPorts, WithoutAnAudioDeviceThereAreNone) {
    View v(false);
    EXPECT_EQ(v.var("@MidiPorts").Count(), 0);
    EXPECT_EQ(v.var("@MidiPort").AsString(), "");
    v.var("@MidiPort").SetString("FluidSynth");
    EXPECT_EQ(v.var("@MidiPort").AsString(), "");
    EXPECT_EQ(v.view->Context().MidiChoice, nullptr);
}

} // namespace
} // namespace nuvo
