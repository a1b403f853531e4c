// Sound files: any content is read through the sound file's open and the streaming
// reader, which either refuses it with a reason or decodes a bounded number of frames
// (a 4-bit sample is the smallest), and the converter's output stays in proportion.
#include "platform/atomic_file.h"
#include "platform/wav_reader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

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
    const int fd = platform::openSoundFile(s_path);
    if (fd < 0)
        std::abort();
    platform::WavReader reader(fd);
    if (reader.start().empty()) {
        const int rate = reader.format().rate;
        if (rate < 1000 || rate > 384000)
            std::abort();
        platform::RateConverter converter(rate, 44100);
        std::vector<std::int16_t> piece;
        std::vector<std::int16_t> converted;
        std::uint64_t frames = 0;
        std::uint64_t played = 0;
        while (reader.next(piece)) {
            if (piece.size() % 2 != 0)
                std::abort();
            frames += piece.size() / 2;
            converter.convert(piece, converted);
            played += converted.size() / 2;
        }
        if (frames > 2 * static_cast<std::uint64_t>(size) + 2 || played > (frames + 1) * 44100 / 1000 + 1)
            std::abort();
    }
    ::close(fd);
    return 0;
}
