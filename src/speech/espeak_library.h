#pragma once

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>
#include <memory>

namespace vt
{

// libespeak-ng, loaded by the program rather than linked to it. The engine
// keeps state from one text to the next in its globals (the wave
// generator's phases and filters among them), so a text sounds a little
// different after each thing the process spoke before it; a freshly loaded
// copy speaks it as a new process does. Unloading terminates the engine.
class EspeakLibrary
{
  public:
    // Null when the library cannot be loaded or lacks a function.
    static std::unique_ptr<EspeakLibrary> open();
    ~EspeakLibrary();
    EspeakLibrary(const EspeakLibrary&) = delete;
    EspeakLibrary& operator=(const EspeakLibrary&) = delete;

    decltype(&espeak_ng_InitializePath) InitializePath = nullptr;
    decltype(&espeak_ng_Initialize) Initialize = nullptr;
    decltype(&espeak_ng_ClearErrorContext) ClearErrorContext = nullptr;
    decltype(&espeak_ng_InitializeOutput) InitializeOutput = nullptr;
    decltype(&espeak_ng_GetStatusCodeMessage) GetStatusCodeMessage = nullptr;
    decltype(&espeak_SetSynthCallback) SetSynthCallback = nullptr;
    decltype(&espeak_ListVoices) ListVoices = nullptr;
    decltype(&espeak_ng_SetVoiceByName) SetVoiceByName = nullptr;
    decltype(&espeak_ng_GetSampleRate) GetSampleRate = nullptr;
    decltype(&espeak_ng_SetParameter) SetParameter = nullptr;
    decltype(&espeak_ng_Synthesize) Synthesize = nullptr;
    decltype(&espeak_ng_Terminate) Terminate = nullptr;
    // Set once the engine is initialised: unloading terminates it first.
    bool initialised = false;

  private:
    EspeakLibrary() = default;
    void* handle_ = nullptr;
};

} // namespace vt
