// A registry, an interpreter and a title's files in memory for the tests of
// the component commands: pages are given as source text, frames run as the
// main window runs them, and the lines the player reports are kept.
#pragma once

#include "archive/VrFileManager.h"
#include "base/Stream.h"
#include "components/NuvoBaseList.h"
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
#include "support/TestSupport.h"

#include <memory>
#include <string>
#include <vector>

namespace nuvo::test {

class Host : public IBaseListHost {
public:
    TPelkCollection* cache = nullptr;
    ScriptContext* script = nullptr;
    TPelkCollection* PictureCache() override { return cache; }
    ScriptContext* Script() override { return script; }
};

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
    std::vector<std::string> reported;

    World() {
        files.AddArchive("");
        context.Files = &files;
        context.Vars = &vars;
        context.Script = &script;
        context.Events = &events;
        context.Report = [this](const std::string& line) { reported.push_back(line); };
        host.cache = &pictures.Cache;
        host.script = &script;
        bases.Host = &host;
        bases.SetSize(32, 24);
        bases.Base(0)->SetColor(0x000080);
        bases.Base(1)->SetColor(0x008000);
        cm = std::make_unique<TCallMan>(context);
        // A 8 x 6 picture of two frames.
        TPelkFrameList list(0);
        for (int i = 0; i < 2; ++i) {
            TPelkFrame& f = list.AddFrame();
            f.Composite.SetSize(8, 6, 24);
            f.Composite.Clear(i ? 0x0000FF : 0xFF0000);
        }
        TKvMemoryStream s;
        list.SaveToStream(s, 0, 70);
        file("pic.pel", std::string(s.bytes().begin(), s.bytes().end()));
    }
    ~World() {
        cm.reset();
        bases.Clear();
    }
    void file(const std::string& name, const std::string& bytes) {
        files.Archive(0).AddMemoryEntry(test::sj(name))->Data->write(bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    void page(const std::string& name, const std::string& source) {
        TPage p;
        readPageSource("page version=116 result=int\n" + source, p);
        TKvMemoryStream bytes;
        p.SaveToStream(bytes);
        file(name, std::string(bytes.bytes().begin(), bytes.bytes().end()));
    }
    void start(const std::string& source) { startPage("start.nsb", source); }
    // A fresh run on a page of its own (the interpreter keeps the pages it
    // loaded: a page of the same name is not read again).
    void startPage(const std::string& name, const std::string& source) {
        page(name, source);
        cm->Start(name);
    }
    // One frame as the main window runs it.
    void frames(int n = 1) {
        for (int i = 0; i < n; ++i) {
            context.FrameDelta = 16;
            context.TimeCounter += 16;
            bases.FrameDelta = 16;
            bases.ProcessInput();
            cm->Run();
            bases.Tick();
            bases.Paint();
            bases.ClearDirtyLists();
        }
    }
    TNuvoObject* find(const std::string& name) { return bases.FindNamed(name); }
    // The objects of a type not pending deletion.
    int count(uint8_t type) const {
        int n = 0;
        for (int32_t i = 0; i < bases.GetItemCount(); ++i)
            if (bases.GetItem(i)->GetCompoType() == type && !bases.GetItem(i)->IsPendingDeletion()) ++n;
        return n;
    }
    std::string var(const char* name) {
        TParamCollectionItem* v = vars.Find(name);
        return v ? v->Value()->AsString() : "-";
    }
};

} // namespace nuvo::test
