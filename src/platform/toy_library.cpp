#include "platform/toy_library.h"

#include "platform/toy_backends.h"

namespace platform {
namespace {

// Stands in for a missing device library: never finds a toy.
class NoToyLibrary final : public ToyLibrary {
public:
    int FindHandle(int, int) override { return -1; }
    bool CheckHandle(int) override { return false; }
    bool ReadData(int, std::uint8_t[8]) override { return false; }
    void WriteData(int, const std::uint8_t[8]) override { }
    bool mayFindDevice() override { return false; }
};

} // namespace

std::unique_ptr<ToyLibrary> makeToyLibrary(const std::string& choice, std::string* error)
{
    static const std::string virtualPrefix = "virtual:";
    if (choice == "hid")
        return makeHidToyLibrary();
    if (choice == "none")
        return std::make_unique<NoToyLibrary>();
    if (choice.starts_with(virtualPrefix)) {
        const std::string folder = choice.substr(virtualPrefix.size());
        if (!folder.empty())
            return makeVirtualToyLibrary(folder);
        if (error)
            *error = "The virtual toy needs a folder: --toy virtual:FOLDER";
        return nullptr;
    }
    if (error)
        *error = "Unknown toy \"" + choice + "\": use hid, virtual:FOLDER or none";
    return nullptr;
}

} // namespace platform
