#include "engine/CaptureModule.h"

#include "engine/ProjectVeltraDspCapture.h"

namespace veltra {

VeltraDspCapture* createCaptureEngine() {
    auto* engine = new ProjectVeltraDspCapture();
    const std::uint32_t configuration[4] = {1, 1, 2, 16000};
    if (!engine->init(configuration)) {
        engine->release();
        delete engine;
        return nullptr;
    }
    return engine;
}

int processCapture(VeltraDspCapture* engine, const void* reference, const void* microphone,
                   void* output, std::uint32_t frames) {
    if (engine != nullptr) engine->processInterleaved(reference, microphone, output, frames);
    return 0;
}

int destroyCaptureEngine(VeltraDspCapture* engine) {
    if (engine != nullptr) {
        engine->release();
        delete engine;
    }
    return 0;
}

}  // namespace veltra
