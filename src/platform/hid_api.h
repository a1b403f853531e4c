#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// The few hidapi calls the toy backend makes, behind an interface so that its rules
// (draining reads, telling an error from an unplug) can be tested without a device.
namespace platform {

// One open HID device; closed when destroyed.
class HidDevice {
public:
    virtual ~HidDevice() = default;
    // Reads one queued input report without waiting: its length, 0 when none is queued, -1 on error.
    virtual int read(unsigned char* data, std::size_t length) = 0;
    // Writes one output report, report id first: the bytes written, or -1 on error.
    virtual int write(const unsigned char* data, std::size_t length) = 0;
};

class HidApi {
public:
    virtual ~HidApi() = default;
    // False when the library could not start; nothing finds a device then.
    virtual bool ready() const = 0;
    // Paths of the attached devices with these ids (hidraw nodes such as /dev/hidraw3).
    virtual std::vector<std::string> enumerate(unsigned short vendorId, unsigned short productId) = 0;
    // The opened device, or nullptr with *error (when given) saying why.
    virtual std::unique_ptr<HidDevice> open(const std::string& path, std::string* error) = 0;
    // True while the device node still exists: a cheap look that wakes nothing.
    virtual bool nodeExists(const std::string& path) = 0;
    // True when a device may have arrived since the last call, so a search that found
    // nothing is worth repeating; always true where arrivals cannot be watched.
    virtual bool devicesMayHaveArrived() { return true; }
    // The same without taking the news: the next devicesMayHaveArrived() still says it.
    virtual bool arrivalPending() { return true; }
    // How many hidraw arrivals, removals and changes were seen; 0 where they cannot be watched.
    virtual unsigned long deviceChanges() { return 0; }
};

// hidapi on hidraw.
std::unique_ptr<HidApi> makeHidApi();

} // namespace platform
