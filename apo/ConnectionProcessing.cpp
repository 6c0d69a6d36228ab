#include "apo/ConnectionProcessing.h"

#include <cstring>

#include "apo/platform/Sections.h"
#include "effects/kernels/FlushDenormals.h"

namespace veltra::apo {

VELTRA_RT_CODE void processConnection(const APO_CONNECTION_PROPERTY& in,
                                      APO_CONNECTION_PROPERTY* out, UINT32 outputCount,
                                      UINT32 channels, bool rawMode, EngineStep step,
                                      void* context) {
    if (in.u32BufferFlags != BUFFER_VALID && in.u32BufferFlags != BUFFER_SILENT) return;
    // NOLINTNEXTLINE(performance-no-int-to-ptr): connections carry buffers as integers
    auto* buffer = reinterpret_cast<float*>(in.pBuffer);
    const std::size_t bytes =
        static_cast<std::size_t>(in.u32ValidFrameCount) * channels * sizeof(float);
    if (buffer != nullptr && in.u32BufferFlags == BUFFER_SILENT) std::memset(buffer, 0, bytes);
    if (buffer != nullptr && !rawMode && channels > 1 && step != nullptr) {
        const kernels::ScopedFlushDenormals flush;
        step(context, buffer, in.u32ValidFrameCount);
    }
    if (outputCount == 0 || out == nullptr) return;
    if (out->pBuffer != in.pBuffer && buffer != nullptr && out->pBuffer != 0) {
        // The connection carries its buffer as an integer, as the audio engine hands it over.
        // NOLINTNEXTLINE(performance-no-int-to-ptr)
        void* destination = reinterpret_cast<void*>(out->pBuffer);
        std::memcpy(destination, buffer, bytes);
    }
    out->u32BufferFlags = in.u32BufferFlags;
    out->u32ValidFrameCount = in.u32ValidFrameCount;
}

}  // namespace veltra::apo
