#pragma once

#include <SDL.h>

#include <memory>

namespace platform {

// SDL2 opened with dlopen when the first sound is played, not linked: it brings some
// forty libraries (sound servers, codecs, Wayland) the dynamic loader would otherwise
// resolve before the first paint. Only the functions the player uses are looked up.
class SdlLibrary {
public:
    // Null when SDL2 is not installed or lacks one of the functions.
    static std::unique_ptr<SdlLibrary> load();
    // True while the shared library is mapped into the process, loaded here or not.
    static bool isMapped();
    // Shuts SDL down and unmaps it.
    ~SdlLibrary();
    SdlLibrary(const SdlLibrary&) = delete;
    SdlLibrary& operator=(const SdlLibrary&) = delete;

    decltype(&SDL_SetHint) SetHint = nullptr;
    decltype(&SDL_InitSubSystem) InitSubSystem = nullptr;
    decltype(&SDL_QuitSubSystem) QuitSubSystem = nullptr;
    decltype(&SDL_Quit) Quit = nullptr;
    decltype(&SDL_OpenAudioDevice) OpenAudioDevice = nullptr;
    decltype(&SDL_CloseAudioDevice) CloseAudioDevice = nullptr;
    decltype(&SDL_PauseAudioDevice) PauseAudioDevice = nullptr;
    decltype(&SDL_QueueAudio) QueueAudio = nullptr;
    decltype(&SDL_ClearQueuedAudio) ClearQueuedAudio = nullptr;
    decltype(&SDL_GetQueuedAudioSize) GetQueuedAudioSize = nullptr;
    // Optional (SDL 2.0.16 on): frees what SDL keeps for a thread it did not start.
    decltype(&SDL_TLSCleanup) TLSCleanup = nullptr;

private:
    SdlLibrary() = default;
    void* m_handle = nullptr;
};

} // namespace platform
