// Sound files: any content is read back whole through the trusted reader, and the header
// check accepts only what it can account for: a format it names, whole frames inside the
// file, and a converted length within the bound.
#include "platform/atomic_file.h"
#include "platform/wav_shape.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

static std::string s_path;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    s_path = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/quillby-fuzz-wav-")
        + std::to_string(getpid());
    std::atexit([] { std::remove(s_path.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FILE* file = std::fopen(s_path.c_str(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        std::abort();
    std::string read;
    if (!platform::readTrustedFile(s_path, read, platform::kMaxSoundFileSize)
        || read != std::string(reinterpret_cast<const char*>(data), size))
        std::abort();
    for (const auto& [rate, frameBytes] : { std::pair { 44100, 4 }, std::pair { 8000, 1 } }) {
        const auto shape = platform::acceptWav(read, rate, frameBytes);
        if (!shape)
            continue;
        const std::uint64_t frameSize = static_cast<std::uint64_t>(shape->channels) * shape->bits / 8;
        const bool known = shape->format == 1 || shape->format == 3 || shape->format == 6 || shape->format == 7;
        const std::uint64_t played = shape->frames * static_cast<std::uint64_t>(rate)
            / static_cast<std::uint64_t>(shape->rate) * static_cast<std::uint64_t>(frameBytes);
        if (!known || shape->frames == 0 || frameSize == 0 || shape->frames * frameSize > size
            || played > platform::kMaxPlayedBytes)
            std::abort();
    }
    return 0;
}
