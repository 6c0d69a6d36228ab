#include "apo/VeltraDspMicAPOMFX.h"

#include "apo/ApoRegistrationRecords.h"
#include "apo/platform/Sections.h"
#include "engine/CaptureModule.h"

namespace veltra::apo {

namespace {

// The buffer is reference input, microphone input and output at once.
VELTRA_RT_CODE void runCapture(void* engine, float* buffer, UINT32 frames) {
    processCapture(static_cast<VeltraDspCapture*>(engine), buffer, buffer, buffer, frames);
}

}  // namespace

VeltraDspMicAPOMFX::VeltraDspMicAPOMFX(IUnknown* outer)
    : ApoObjectBase(microphoneRegistration(), IID_IVeltraDspMicAPOMFX, outer) {}

VeltraDspMicAPOMFX::~VeltraDspMicAPOMFX() {
    destroyCaptureEngine(engine_);
}

void VeltraDspMicAPOMFX::onInitialized() {
    if (engine_ == nullptr) engine_ = createCaptureEngine();
}

VELTRA_RT_CODE void VeltraDspMicAPOMFX::APOProcess(UINT32 inputCount,
                                                   APO_CONNECTION_PROPERTY** inputs,
                                                   UINT32 outputCount,
                                                   APO_CONNECTION_PROPERTY** outputs) {
    processFirstConnection(inputCount, inputs, outputCount, outputs, &runCapture, engine_);
}

}  // namespace veltra::apo
