#include "engine/ProjectPictures.h"

#include "archive/VrFileManager.h"
#include "base/Error.h"
#include "engine/ProgramContext.h"
#include "engine/Project.h"

namespace nuvo {

int32_t TProjectPictureSource::ImageSeed() const { return context_.Project ? context_.Project->ImageSeed : 0; }

bool TProjectPictureSource::EnsureAvailable(const std::string& name) {
    if (context_.Project) return context_.Project->EnsureAvailable(name);
    return context_.Files && context_.Files->Exists(name);
}

bool TProjectPictureSource::LoadToStream(TStream& stream, const std::string& name) {
    if (!context_.Files || !context_.Files->Exists(name)) return false;
    context_.Files->LoadToStream(stream, name);
    return true;
}

} // namespace nuvo
