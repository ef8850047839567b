#include "speech/espeak_library.h"

#include <dlfcn.h>

namespace vt
{
namespace
{

template <class F> bool resolve(void* handle, F& function, const char* name)
{
    function = reinterpret_cast<F>(::dlsym(handle, name));
    return function != nullptr;
}

} // namespace

std::unique_ptr<EspeakLibrary> EspeakLibrary::open()
{
    // Its own copy of the globals each time: no other part of the program
    // links the library, so unloading it really lets it go.
    void* handle = ::dlopen("libespeak-ng.so.1", RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
        return nullptr;
    std::unique_ptr<EspeakLibrary> library(new EspeakLibrary);
    library->handle_ = handle;
    EspeakLibrary& l = *library;
    const bool complete =
        resolve(handle, l.InitializePath, "espeak_ng_InitializePath") &&
        resolve(handle, l.Initialize, "espeak_ng_Initialize") &&
        resolve(handle, l.ClearErrorContext, "espeak_ng_ClearErrorContext") &&
        resolve(handle, l.InitializeOutput, "espeak_ng_InitializeOutput") &&
        resolve(handle, l.GetStatusCodeMessage, "espeak_ng_GetStatusCodeMessage") &&
        resolve(handle, l.SetSynthCallback, "espeak_SetSynthCallback") &&
        resolve(handle, l.ListVoices, "espeak_ListVoices") &&
        resolve(handle, l.SetVoiceByName, "espeak_ng_SetVoiceByName") &&
        resolve(handle, l.GetSampleRate, "espeak_ng_GetSampleRate") &&
        resolve(handle, l.SetParameter, "espeak_ng_SetParameter") &&
        resolve(handle, l.Synthesize, "espeak_ng_Synthesize") &&
        resolve(handle, l.Terminate, "espeak_ng_Terminate");
    return complete ? std::move(library) : nullptr;
}

EspeakLibrary::~EspeakLibrary()
{
    if (initialised)
        Terminate();
    ::dlclose(handle_);
}

} // namespace vt
