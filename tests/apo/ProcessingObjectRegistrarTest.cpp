#include <gtest/gtest.h>

#include "apo/ApoRegistrationRecords.h"
#include "apo/ProcessingObjectRegistrar.h"
#include "apo/platform/MemoryRegistry.h"
#include "apo/platform/SystemError.h"

namespace veltra::apo {
namespace {

const std::string kSpeakerKey =
    "AudioEngine\\AudioProcessingObjects\\{6F1D2A90-3B7E-4C15-9A2D-7E40C8B1D352}";

// Every value of the records is read back through the real DLL by the Wine host and compared
// with the example INF; here what it does not reach: stale values, bad text and the error paths.
TEST(Registration, ARecordReplacesItsStaleValuesAndRefusesBadText) {
    MemoryRegistry registry;
    ProcessingObjectRegistrar registrar(registry);
    ASSERT_EQ(registrar.registerProcessingObject(&speakerRegistration()), S_OK);
    registry.setNumber(kSpeakerKey, "Stale", 1);
    ASSERT_EQ(registrar.registerProcessingObject(&speakerRegistration()), S_OK);
    EXPECT_FALSE(registry.value(kSpeakerKey, "Stale"));
    EXPECT_EQ(registry.valueCount(kSpeakerKey), 12u);
    EXPECT_EQ(registrationSize(speakerRegistration()), sizeof(APO_REG_PROPERTIES));

    APO_REG_PROPERTIES copy = speakerRegistration();
    APO_REG_PROPERTIES* record = &copy;
    for (auto& c : record->szCopyrightInfo) c = u'x';  // no terminating NUL within 256 characters
    EXPECT_EQ(registrar.registerProcessingObject(record), E_INVALIDARG);
    EXPECT_EQ(registrar.registerProcessingObject(nullptr), E_POINTER);
}

TEST(Registration, UnregisterReportsMissingRecordsAndWriteFailuresAreHresults) {
    EXPECT_EQ(hresultFromSystemError(0x12345), static_cast<HRESULT>(0x80072345u));
    EXPECT_EQ(hresultFromSystemError(E_POINTER), E_POINTER);
    EXPECT_EQ(hresultFromSystemError(ERROR_SUCCESS), S_OK);
    MemoryRegistry registry;
    ProcessingObjectRegistrar registrar(registry);
    EXPECT_EQ(registrar.unregisterProcessingObject(CLSID_VeltraDspSpkAPOMFX),
              static_cast<HRESULT>(0x80070002u));
    ASSERT_EQ(registrar.registerProcessingObject(&speakerRegistration()), S_OK);
    EXPECT_EQ(registrar.unregisterProcessingObject(CLSID_VeltraDspSpkAPOMFX), S_OK);
    EXPECT_FALSE(registry.hasKey(kSpeakerKey));
    EXPECT_TRUE(registry.hasKey(ProcessingObjectRegistrar::kRoot));
    EXPECT_EQ(registrar.unregisterProcessingObject(CLSID_VeltraDspSpkAPOMFX),
              static_cast<HRESULT>(0x80070002u));
    registry.failWritesWith(ERROR_ACCESS_DENIED);
    EXPECT_EQ(registrar.registerProcessingObject(&microphoneRegistration()),
              static_cast<HRESULT>(0x80070005u));
}

}  // namespace
}  // namespace veltra::apo
