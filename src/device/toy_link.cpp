#include "device/toy_link.h"

#include "platform/toy_library.h"

ToyLink::ToyLink(platform::ToyLibrary* library)
    : m_library(library)
{
}

ToyLink::~ToyLink() = default;

void ToyLink::setLibrary(platform::ToyLibrary* library)
{
    m_library = library;
}

bool ToyLink::Open(int vendorId, int productId)
{
    // Without a library no toy is ever found; the handle is stored either way.
    m_handle = m_library ? m_library->FindHandle(vendorId, productId) : -1;
    return m_handle != -1;
}

bool ToyLink::IsAttached()
{
    if (m_library && m_library->CheckHandle(m_handle))
        return true;
    m_handle = -1;
    return false;
}

bool ToyLink::ReadSensor()
{
    // Called with handle -1 too: the library answers false for it.
    if (!m_library)
        return false;
    Report input {};
    if (!m_library->ReadData(m_handle, input.data()))
        return false;
    return (input[1] & 0x04) != 0;
}

void ToyLink::SetOutput0(int on, int value)
{
    setOutputBit(0, on, value);
}

void ToyLink::SetOutput1(int on, int value)
{
    setOutputBit(1, on, value);
}

void ToyLink::SetOutput2(int on, int value)
{
    setOutputBit(2, on, value);
}

void ToyLink::setOutputBit(int bit, int on, int value)
{
    const auto bitMask = static_cast<std::uint8_t>(1u << bit);
    // Only the low byte of "on" counts, and only the value 1 switches on.
    if ((on & 0xFF) == 1)
        m_outputMask = static_cast<std::uint8_t>(m_outputMask | bitMask);
    else
        m_outputMask = static_cast<std::uint8_t>(m_outputMask & ~bitMask);
    Send(m_outputMask, value);
}

void ToyLink::Send(std::uint8_t mask, int value)
{
    if (m_handle == -1 || !m_library)
        return;
    Report report {};
    report[0] = mask;
    report[1] = static_cast<std::uint8_t>(value & 0xFF);
    m_library->WriteData(m_handle, report.data());
}

void ToyLink::reset()
{
    m_outputMask = 0;
    m_handle = -1;
    connected = 0;
}
