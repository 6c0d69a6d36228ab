#pragma once

#include <string>

#include "apo/platform/AudioEngineApoTypes.h"
#include "apo/platform/Registry.h"

namespace veltra::apo {

// Writes and removes the audio engine's processing-object records under
// HKEY_CLASSES_ROOT\AudioEngine\AudioProcessingObjects\{class id}.
class ProcessingObjectRegistrar {
  public:
    static constexpr const char* kRoot = "AudioEngine\\AudioProcessingObjects";

    explicit ProcessingObjectRegistrar(Registry& registry) : registry_(registry) {}

    // Replaces any earlier record of the class. The record may be followed in memory by further
    // interface entries, as many as its interface count says.
    HRESULT registerProcessingObject(const APO_REG_PROPERTIES* record);
    HRESULT unregisterProcessingObject(const CLSID& classId);

  private:
    Registry& registry_;
};

// UTF-16 field text up to its NUL; false when no NUL falls within `capacity` characters.
bool fieldText(const WCHAR* field, std::size_t capacity, std::string& utf8);

}  // namespace veltra::apo
