#pragma once

#include <array>
#include <cstdint>

namespace platform {
class ToyLibrary;
}

// The one wrapper over the toy's library: finding the toy, watching that it
// stays attached, reading its sensor bit and writing its 8-byte output report.
class ToyLink {
public:
    using Report = std::array<std::uint8_t, 8>;

    explicit ToyLink(platform::ToyLibrary* library = nullptr);
    virtual ~ToyLink();
    ToyLink(const ToyLink&) = delete;
    ToyLink& operator=(const ToyLink&) = delete;

    // The library is not owned; nullptr means a library that never finds a toy.
    void setLibrary(platform::ToyLibrary* library);
    platform::ToyLibrary* library() const { return m_library; }

    bool Open(int vendorId, int productId);
    bool IsAttached();
    bool ReadSensor();
    void SetOutput0(int on, int value);
    void SetOutput1(int on, int value);
    void SetOutput2(int on, int value);
    void Send(std::uint8_t mask, int value);

    // Back to the state at construction: mask 0, handle -1, not connected.
    void reset();

    std::uint8_t outputMask() const { return m_outputMask; }
    int handle() const { return m_handle; }

    // Set and cleared by the main timer only.
    std::uint8_t connected = 0;

private:
    void setOutputBit(int bit, int on, int value);

    platform::ToyLibrary* m_library;
    std::uint8_t m_outputMask = 0;
    int m_handle = -1;
};
