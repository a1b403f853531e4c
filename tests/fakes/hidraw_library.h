#pragma once

#include "platform/toy_library.h"

namespace fakes {

// The hidraw backend without a toy it may open; counts device changes as told.
class HidrawLibrary final : public platform::ToyLibrary {
public:
    int FindHandle(int, int) override { return -1; }
    bool CheckHandle(int) override { return false; }
    bool ReadData(int, std::uint8_t*) override { return false; }
    void WriteData(int, const std::uint8_t*) override { }
    bool onHidraw() const override { return hidraw; }
    unsigned long deviceChanges() override { return changes; }
    bool hidraw = true;
    unsigned long changes = 0;
};

} // namespace fakes
