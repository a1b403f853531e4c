#include "sdl_library.h"

#include <dlfcn.h>

namespace {

// The runtime name Debian's libsdl2-2.0-0 installs (the package depends on it).
constexpr const char* kSoname = "libSDL2-2.0.so.0";

template <typename F>
bool resolve(void* handle, F& function, const char* name)
{
    function = reinterpret_cast<F>(::dlsym(handle, name));
    return function != nullptr;
}

} // namespace

std::unique_ptr<SdlLibrary> SdlLibrary::load()
{
    void* handle = ::dlopen(kSoname, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return nullptr;
    std::unique_ptr<SdlLibrary> sdl(new SdlLibrary);
    sdl->m_handle = handle;
    const bool ok = resolve(handle, sdl->SetHint, "SDL_SetHint") && resolve(handle, sdl->InitSubSystem, "SDL_InitSubSystem")
        && resolve(handle, sdl->Quit, "SDL_Quit") && resolve(handle, sdl->OpenAudioDevice, "SDL_OpenAudioDevice")
        && resolve(handle, sdl->CloseAudioDevice, "SDL_CloseAudioDevice")
        && resolve(handle, sdl->PauseAudioDevice, "SDL_PauseAudioDevice")
        && resolve(handle, sdl->QueueAudio, "SDL_QueueAudio")
        && resolve(handle, sdl->GetQueuedAudioSize, "SDL_GetQueuedAudioSize");
    if (!ok) {
        // Nothing was started, so there is nothing to shut down before unmapping.
        sdl->Quit = nullptr;
        return nullptr;
    }
    return sdl;
}

SdlLibrary::~SdlLibrary()
{
    if (Quit)
        Quit();
    if (m_handle)
        ::dlclose(m_handle);
}
