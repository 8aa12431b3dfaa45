// The component commands through the interpreter, against the same work
// done by direct registry calls, in the same process:
//   page     a page of 200 ImgNew and 200 BoxNew with 8 constant properties
//            each, onto the incoming screen, then SaveCabinet parking all of
//            them and LoadCabinet taking them out again, run by TCallMan
//   direct   the same objects made with Create, the same setters in the same
//            order and SetParent, parked in a cabinet and taken out again
// Each round starts from an empty registry (emptied outside the timing); the
// two bodies run alternately, many rounds each, and the minima are compared.
// The goal is the page within 2x of the direct calls.
#include "archive/VrFileManager.h"
#include "base/Stream.h"
#include "components/NuvoBaseList.h"
#include "components/NuvoBox.h"
#include "components/NuvoImages.h"
#include "engine/CallMan.h"
#include "engine/Page.h"
#include "engine/PageSource.h"
#include "engine/ProgramContext.h"
#include "engine/ProjectPictures.h"
#include "engine/RegistryEvents.h"
#include "render/PelkImage.h"
#include "script/ParamCollection.h"
#include "script/ScriptContext.h"
#include "script/SysFuncMan.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace nuvo;

namespace {

constexpr int kEach = 200; // images, and as many boxes

class Host final : public IBaseListHost {
public:
    TPelkCollection* cache = nullptr;
    ScriptContext* script = nullptr;
    TPelkCollection* PictureCache() override { return cache; }
    ScriptContext* Script() override { return script; }
};

std::string pageSource() {
    std::string text = "page version=116 result=int\n";
    for (int k = 0; k < kEach; ++k) {
        const std::string n = std::to_string(k);
        text += "ImgNew PR_NAME={\"i" + n + "\"} PR_PARENT={\"\\x{01}\"} PR_SOURCE={\"pic.pel\"} PR_LEFT={" + n +
                "} PR_TOP={" + std::to_string(2 * k) + "} PR_ALPHA={200} PR_PRIORITY={" + n + "} PR_VISIBLE={TRUE}\n";
        text += "BoxNew PR_NAME={\"b" + n + "\"} PR_PARENT={\"\\x{01}\"} PR_LEFT={" + n + "} PR_TOP={" + n +
                "} PR_WIDTH={20} PR_HEIGHT={10} PR_COLOR={255} PR_ALPHA={128}\n";
    }
    text += "SaveCabinet PR_NAME={\"cab\"} mode={TRUE}\n";
    text += "LoadCabinet PR_NAME={\"cab\"} mode={TRUE}\n";
    return text;
}

struct World {
    TVrFileManager files{nullptr, nullptr};
    TParamCollection vars;
    TSysFuncMan functions;
    ScriptContext script{vars, functions};
    TProgramContext context;
    TProjectPictures pictures{context};
    Host host;
    TNuvoBaseList bases;
    TRegistryEvents events{bases};
    std::unique_ptr<TCallMan> cm;
    std::vector<std::string> imageNames, boxNames;

    World() {
        files.AddArchive("");
        context.Files = &files;
        context.Vars = &vars;
        context.Script = &script;
        context.Events = &events;
        host.cache = &pictures.Cache;
        host.script = &script;
        bases.Host = &host;
        bases.SetSize(640, 480);
        cm = std::make_unique<TCallMan>(context);
        TPelkFrameList list(0);
        TPelkFrame& f = list.AddFrame();
        f.Composite.SetSize(32, 24, 24);
        f.Composite.Clear(0x3060C0);
        TKvMemoryStream picture;
        list.SaveToStream(picture, 0, 70);
        file("pic.pel", picture);
        TPage page;
        readPageSource(pageSource(), page);
        TKvMemoryStream bytes;
        page.SaveToStream(bytes);
        file("bench.nsb", bytes);
        for (int k = 0; k < kEach; ++k) {
            imageNames.push_back("i" + std::to_string(k));
            boxNames.push_back("b" + std::to_string(k));
        }
    }
    ~World() {
        cm.reset();
        bases.Clear();
    }
    void file(const char* name, TKvMemoryStream& s) {
        files.Archive(0).AddMemoryEntry(name)->Data->write(s.memory(), s.size());
    }

    void runPage() {
        cm->Start("bench.nsb");
        cm->Run();
    }

    void runDirect() {
        TNuvoBase* incoming = bases.InactiveBase();
        for (int k = 0; k < kEach; ++k) {
            auto* image = bases.Create<TNuvoImages>();
            image->SetName(imageNames[size_t(k)]);
            image->SetParent(incoming);
            image->SetSource("pic.pel");
            image->SetLeft(k);
            image->SetTop(2 * k);
            image->SetAlpha(200);
            image->SetPriority(k);
            image->SetVisible(true);
            image->Invalidate();
            auto* box = bases.Create<TNuvoBox>();
            box->SetName(boxNames[size_t(k)]);
            box->SetParent(incoming);
            box->SetLeft(k);
            box->SetTop(k);
            box->SetWidth(20);
            box->SetHeight(10);
            box->SetColor(255);
            box->SetAlpha(128);
            box->Invalidate();
        }
        auto* cabinet = bases.Create<TNuvoCabinet>();
        cabinet->SetName("cab");
        cabinet->SetParent(bases.Base(0));
        std::vector<TNuvoControl*> children = incoming->Children();
        for (size_t i = children.size(); i-- > 0;)
            children[i]->SetParent(cabinet);
        children = cabinet->Children();
        for (size_t i = children.size(); i-- > 0;)
            children[i]->SetParent(incoming);
        cabinet->Delete();
    }

    // The end of the frame (the cabinet freed), then an empty registry for
    // the next round.
    void reset() {
        bases.Tick();
        bases.Clear();
    }
};

double timeMs(World& w, void (World::*body)()) {
    const auto start = std::chrono::steady_clock::now();
    (w.*body)();
    w.bases.Tick();
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(end - start).count();
}

} // namespace

int main() {
    World w;
    // The page loads once into the interpreter's cache and the picture once
    // into the picture cache, as in a running title.
    // Both bodies must leave the same: every component back on the incoming
    // screen and the emptied cabinet freed.
    w.runPage();
    w.bases.Tick();
    if (w.bases.GetItemCount() != 2 * kEach || w.bases.InactiveBase()->Children().size() != size_t(2 * kEach) ||
        w.bases.FindByName("cab")) {
        std::fprintf(stderr, "bench_commands: the page made %d objects\n", w.bases.GetItemCount());
        return 1;
    }
    w.reset();
    w.runDirect();
    w.bases.Tick();
    if (w.bases.GetItemCount() != 2 * kEach || w.bases.InactiveBase()->Children().size() != size_t(2 * kEach) ||
        w.bases.FindByName("cab")) {
        std::fprintf(stderr, "bench_commands: the direct calls made %d objects\n", w.bases.GetItemCount());
        return 1;
    }
    w.reset();
    constexpr int kRounds = 60;
    double page = 1e9, direct = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        page = std::min(page, timeMs(w, &World::runPage));
        w.reset();
        direct = std::min(direct, timeMs(w, &World::runDirect));
        w.reset();
    }
    std::printf("400 components with 8 properties each, parked and taken out (minimum of %d rounds):\n", kRounds);
    std::printf("  page through TCallMan     %8.3f ms\n", page);
    std::printf("  direct registry calls     %8.3f ms\n", direct);
    std::printf("  ratio                     %8.2fx (goal: within 2x)\n", page / direct);
    return 0;
}
