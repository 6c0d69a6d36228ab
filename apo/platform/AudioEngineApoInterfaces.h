#pragma once

// ---------------------------------------------------------------------------------------------
// The audio engine's processing-object interfaces, declared by us from their documented methods
// and identifiers (audioenginebaseapo.h), which MinGW-w64 and Linux do not provide. Method order
// is the documented vtable order and must not change.
// Sources: the Windows driver documentation on learn.microsoft.com, pages "audioenginebaseapo.h"
// (the five interfaces, their methods in order and their IIDs, HNSTIME) and "audiomediatype.h".
// The Wine host calls every slot through these declarations against the built module.
// ---------------------------------------------------------------------------------------------

#include "apo/platform/AudioEngineApoTypes.h"

#if defined(_WIN32)
#define VELTRA_STDCALL STDMETHODCALLTYPE
#else
#define VELTRA_STDCALL
#endif

namespace veltra::apo {

using HNSTIME = std::int64_t;

extern const IID IID_IAudioProcessingObject;
extern const IID IID_IAudioProcessingObjectRT;
extern const IID IID_IAudioProcessingObjectConfiguration;
extern const IID IID_IAudioSystemEffects;
extern const IID IID_IAudioSystemEffects2;

class IAudioProcessingObject : public IUnknown {
  public:
    virtual HRESULT VELTRA_STDCALL Reset() = 0;
    virtual HRESULT VELTRA_STDCALL GetLatency(HNSTIME* time) = 0;
    virtual HRESULT VELTRA_STDCALL GetRegistrationProperties(APO_REG_PROPERTIES** properties) = 0;
    virtual HRESULT VELTRA_STDCALL Initialize(UINT32 size, std::uint8_t* data) = 0;
    virtual HRESULT VELTRA_STDCALL IsInputFormatSupported(IAudioMediaType* opposite,
                                                          IAudioMediaType* requested,
                                                          IAudioMediaType** supported) = 0;
    virtual HRESULT VELTRA_STDCALL IsOutputFormatSupported(IAudioMediaType* opposite,
                                                           IAudioMediaType* requested,
                                                           IAudioMediaType** supported) = 0;
    virtual HRESULT VELTRA_STDCALL GetInputChannelCount(UINT32* count) = 0;

  protected:
    ~IAudioProcessingObject() = default;
};

class IAudioProcessingObjectRT : public IUnknown {
  public:
    virtual void VELTRA_STDCALL APOProcess(UINT32 inputCount, APO_CONNECTION_PROPERTY** inputs,
                                           UINT32 outputCount,
                                           APO_CONNECTION_PROPERTY** outputs) = 0;
    virtual UINT32 VELTRA_STDCALL CalcInputFrames(UINT32 outputFrames) = 0;
    virtual UINT32 VELTRA_STDCALL CalcOutputFrames(UINT32 inputFrames) = 0;

  protected:
    ~IAudioProcessingObjectRT() = default;
};

class IAudioProcessingObjectConfiguration : public IUnknown {
  public:
    virtual HRESULT VELTRA_STDCALL LockForProcess(UINT32 inputCount,
                                                  APO_CONNECTION_DESCRIPTOR** inputs,
                                                  UINT32 outputCount,
                                                  APO_CONNECTION_DESCRIPTOR** outputs) = 0;
    virtual HRESULT VELTRA_STDCALL UnlockForProcess() = 0;

  protected:
    ~IAudioProcessingObjectConfiguration() = default;
};

class IAudioSystemEffects : public IUnknown {
  protected:
    ~IAudioSystemEffects() = default;
};

class IAudioSystemEffects2 : public IAudioSystemEffects {
  public:
    virtual HRESULT VELTRA_STDCALL GetEffectsList(GUID** effects, UINT32* count, HANDLE event) = 0;

  protected:
    ~IAudioSystemEffects2() = default;
};

}  // namespace veltra::apo
