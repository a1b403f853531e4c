#pragma once

#include <SDL.h>

#include <memory>

// SDL2 opened with dlopen, not linked: the package runs without it (silent), and the
// player looks up only the functions it uses.
class SdlLibrary {
public:
    // Null when SDL2 is not installed or lacks one of the functions.
    static std::unique_ptr<SdlLibrary> load();
    // Shuts SDL down and unmaps it.
    ~SdlLibrary();
    SdlLibrary(const SdlLibrary&) = delete;
    SdlLibrary& operator=(const SdlLibrary&) = delete;

    decltype(&SDL_SetHint) SetHint = nullptr;
    decltype(&SDL_InitSubSystem) InitSubSystem = nullptr;
    decltype(&SDL_Quit) Quit = nullptr;
    decltype(&SDL_OpenAudioDevice) OpenAudioDevice = nullptr;
    decltype(&SDL_CloseAudioDevice) CloseAudioDevice = nullptr;
    decltype(&SDL_PauseAudioDevice) PauseAudioDevice = nullptr;
    decltype(&SDL_QueueAudio) QueueAudio = nullptr;
    decltype(&SDL_GetQueuedAudioSize) GetQueuedAudioSize = nullptr;

private:
    SdlLibrary() = default;
    void* m_handle = nullptr;
};
