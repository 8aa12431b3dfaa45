// nuvotool compo: components made outside a running title. `render` runs
// creating-command lines of the page text form on a blank screen of a
// title's size, with the title's files, ticks a few frames, writes the
// screen as PNG and prints what was made, property by property, as JSON.
#include "Command.h"

#include "archive/VrFileManager.h"
#include "base/Error.h"
#include "base/Stream.h"
#include "components/ComponentFunctions.h"
#include "components/NuvoBaseList.h"
#include "components/PropertyDispatch.h"
#include "engine/CallMan.h"
#include "engine/Commands.h"
#include "engine/Page.h"
#include "engine/PageSource.h"
#include "engine/ProgramContext.h"
#include "engine/Project.h"
#include "engine/ProjectPictures.h"
#include "engine/ProjectSetting.h"
#include "engine/RegistryEvents.h"
#include "engine/SourceText.h"
#include "platform/FileSystem.h"
#include "platform/Fonts.h"
#include "platform/System.h"
#include "render/DIBSurface.h"
#include "render/ImageCodecs.h"
#include "script/Param.h"
#include "script/ParamCollection.h"
#include "script/ScriptContext.h"
#include "script/SysFuncMan.h"
#include "shell/Startup.h"
#include "shell/TreeDump.h"
#include "text/FontPixel.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace nuvotool {
namespace {

namespace fs = std::filesystem;
using namespace nuvo;

const char* kRenderDetails =
    "Each LINE is one command of the page text form (docs/title-format.md) that\n"
    "creates a component: BoxNew, ImgNew, TileNew, ... with its properties, as in\n"
    "  'ImgNew PR_NAME={\"bg\"} PR_SOURCE={\"bg\\room.pel\"} PR_LEFT={0}'\n"
    "They run in order on a blank screen of the title's size, with the title's\n"
    "files and archives (DATA_FOLDER is a built title, as the player takes it);\n"
    "then N frames of 16 ms pass and the screen is written to OUT.png. Standard\n"
    "output gets, for each component made that is still there, the fields of\n"
    "nuvoplayer --dump-tree and every property its type carries, by name, with\n"
    "the value GetProp reads:\n"
    "  {\"objects\": [\n"
    "    {\"name\": \"bg\", \"type\": \"LT_IMAGES\", ..., \"properties\": {\"PR_NAME\": \"bg\", ...}}\n"
    "  ]}\n"
    "\n"
    "  --frames N  frames to run before the picture is taken (default 1)\n"
    "\n"
    "A kind the player cannot make yet makes nothing (it is said on standard\n"
    "error); an error of a property is dropped, as the player drops it.\n";

// A property's value as JSON.
std::string valueJson(const TCustomParam& v) {
    switch (v.ParamType()) {
    case PT_INT:
        return std::to_string(v.AsInteger());
    case PT_BOOL:
        return v.AsBool() ? "true" : "false";
    case PT_FLOAT: {
        const double d = static_cast<double>(v.AsFloat());
        if (!std::isfinite(d)) return "null";
        char buf[40];
        return std::string(buf, std::to_chars(buf, buf + sizeof buf, d).ptr);
    }
    default:
        return jsonText(v.AsString());
    }
}

std::string propertiesJson(const TNuvoObject& object) {
    std::string out = "{";
    bool first = true;
    for (int32_t p = 0; p < kPropertyCount; ++p) {
        if (!CarriesProperty(object, p)) continue;
        const PropertyTypeInfo& info = kPropertyCatalogue[p];
        std::unique_ptr<TCustomParam> value = CreateValue(info.type);
        GetProperty(*value, object, p);
        if (!first) out += ", ";
        first = false;
        out += std::string("\"") + info.name + "\": " + valueJson(*value);
    }
    return out + "}";
}

// The commands a line may hold: those that create a component.
bool createsAComponent(const TCommand& c) {
    const CommandKindInfo* kind = commandKind(c.TypeCode());
    return kind && kind->component && c.TypeCode() != TComCabinetSave::kCode && c.TypeCode() != TComCabinetLoad::kCode;
}

class TRenderHost final : public IBaseListHost {
public:
    TRenderHost(TPelkCollection& pictures, ScriptContext& script) : pictures_(pictures), script_(script) {}
    TPelkCollection* PictureCache() override { return &pictures_; }
    ScriptContext* Script() override { return &script_; }
    // Menus' labels draw with the bundled faces, as a headless player does.
    TFontPixelManager* Glyphs() override {
        if (!glyphs_) {
            fonts_ = platform::createFontEngine({true, {}});
            if (fonts_) glyphs_ = std::make_unique<TFontPixelManager>(*fonts_);
        }
        return glyphs_.get();
    }

private:
    std::unique_ptr<platform::IFontEngine> fonts_;
    std::unique_ptr<TFontPixelManager> glyphs_;
    TPelkCollection& pictures_;
    ScriptContext& script_;
};

// What a title's components need around them, without its pages running.
struct TRenderWorld {
    std::unique_ptr<platform::ISystem> system = platform::createLinuxSystem();
    TVrFileManager files{system.get(), nullptr};
    TParamCollection vars;
    TSysFuncMan functions;
    ScriptContext script{vars, functions};
    TProgramContext context;
    std::unique_ptr<TProject> project;
    std::unique_ptr<TProjectPictures> pictures;
    std::unique_ptr<TRenderHost> host;
    TDIBSurface screen;
    TNuvoBaseList bases;
    std::unique_ptr<TRegistryEvents> events;

    ~TRenderWorld() {
        bases.Clear();
        project.reset();
    }
};

int runRender(Invocation& call) {
    const std::string& folder = call.arg(0);
    const std::string& outPath = call.arg(1);
    const std::vector<std::string> lines(call.args().begin() + 2, call.args().end());
    const int64_t frames = call.line.Integer("--frames", 0, 100000, 1);
    if (!fs::is_directory(fs::u8path(folder))) return failFile(folder, "no such folder");

    // The page first: a line that does not read changes nothing.
    std::string source = "page version=116 result=int\n";
    for (const std::string& line : lines) {
        if (line.find_first_of("\r\n") != std::string::npos) throw cli::EUsageError("a LINE holds one command");
        source += line + "\n";
    }
    TPage page;
    try {
        readPageSource(source, page);
    } catch (const ESourceError& e) {
        std::string where = "LINE " + std::to_string(e.Line() - 1);
        if (e.Column() > 0) where += ", column " + std::to_string(e.Column());
        return fail(where + ": " + e.Message());
    }
    for (int i = 0; i < page.Commands.Count(); ++i)
        if (!createsAComponent(*page.Commands.At(i)))
            return fail("LINE " + std::to_string(i + 1) + ": " + commandKind(page.Commands.At(i)->TypeCode())->name +
                        " creates no component; only the creating commands (BoxNew, ImgNew, ...) run here");

    auto world = std::make_unique<TRenderWorld>();
    TRenderWorld& w = *world;
    SetUpDataSources(w.files, {folder}, *w.system);
    if (!w.files.Exists("nuvo.npb")) return failFile(folder, "no project file nuvo.npb in the title's data");
    TProjectSetting setting;
    {
        TKvMemoryStream s;
        w.files.LoadToStream(s, "nuvo.npb");
        setting.LoadFromStream(s);
    }
    if (setting.ScreenWidth <= 0 || setting.ScreenHeight <= 0 || setting.ScreenWidth > TNuvoBaseList::kMaxSavedSide ||
        setting.ScreenHeight > TNuvoBaseList::kMaxSavedSide)
        return failFile(folder, "the title's screen is " + std::to_string(setting.ScreenWidth) + " x " +
                                    std::to_string(setting.ScreenHeight) + ", which cannot be drawn");

    w.context.Files = &w.files;
    w.context.Vars = &w.vars;
    w.context.Script = &w.script;
    w.context.Args = {folder};
    w.context.Report = [](const std::string& line) { std::fprintf(stderr, "nuvotool: %s\n", line.c_str()); };
    // The project is there for the pictures' key; its pages do not run.
    w.project = std::make_unique<TProject>(w.context);
    w.project->ImageSeed = setting.ImageSeed;
    w.project->ScreenWidth = setting.ScreenWidth;
    w.project->ScreenHeight = setting.ScreenHeight;
    w.pictures = std::make_unique<TProjectPictures>(w.context);
    w.host = std::make_unique<TRenderHost>(w.pictures->Cache, w.script);
    w.bases.Host = w.host.get();
    w.screen.SetSize(setting.ScreenWidth, setting.ScreenHeight, 32);
    w.bases.AttachScreen(&w.screen);
    w.bases.SetSize(setting.ScreenWidth, setting.ScreenHeight);
    w.events = std::make_unique<TRegistryEvents>(w.bases);
    w.context.Events = w.events.get();
    installComponentFunctions(w.functions, w.bases);

    TCallMan cm(w.context);
    std::vector<TNuvoRef<TNuvoObject>> made;
    TPage* current = &page;
    for (int i = 0; i < page.Commands.Count(); ++i) {
        const int32_t before = w.bases.GetItemCount();
        int32_t index = i;
        try {
            page.Commands.At(i)->Execute(cm, current, index);
        } catch (const ENuvoError&) {
            // As the player: the command is over as far as it got.
        }
        if (w.bases.GetItemCount() > before) made.emplace_back(w.bases.GetItem(before));
    }
    for (int64_t f = 0; f < frames; ++f) {
        w.context.FrameDelta = 16;
        w.context.TimeCounter += 16;
        w.bases.FrameDelta = 16;
        w.bases.TimeCounter = w.context.TimeCounter;
        w.bases.ProcessInput();
        w.bases.Tick();
        w.bases.Paint();
        w.bases.ClearDirtyLists();
    }
    w.bases.ActiveBase()->AddDirtyRect(makeRect(0, 0, setting.ScreenWidth, setting.ScreenHeight));
    w.bases.Paint();

    const std::vector<uint8_t> png = WritePng(w.screen, -1);
    try {
        platform::writeFileAtomic(outPath, png.data(), png.size());
    } catch (const ENuvoError& e) {
        return failFile(outPath, "cannot be written", e.what());
    }

    std::string json = "{\"objects\": [";
    bool first = true;
    for (const TNuvoRef<TNuvoObject>& ref : made) {
        const TNuvoObject* object = ref.get();
        if (!object || object->IsPendingDeletion()) continue;
        json += first ? "\n  {" : ",\n  {";
        first = false;
        json += treeFieldsJson(*object) + ", \"properties\": " + propertiesJson(*object) + "}";
    }
    json += first ? "]}\n" : "\n]}\n";
    call.out += json;
    return 0;
}

const NuvoGroup group({"compo",
                       "make components outside a title and show them",
                       "",
                       {
                           {"render",
                            "DATA_FOLDER OUT.png LINE... [--frames N]",
                            "run creating commands on a title's blank screen, write it and list what was made",
                            kRenderDetails,
                            {{"--frames", Arity::Value}},
                            3,
                            -1,
                            &runRender},
                       }});

} // namespace
} // namespace nuvotool
