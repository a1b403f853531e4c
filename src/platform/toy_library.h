#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// The toy's device library: four calls, the same contract on every backend.
class ToyLibrary {
public:
    virtual ~ToyLibrary() = default;
    // Returns a handle, or -1 when no device with these ids is attached.
    virtual int FindHandle(int vendorId, int productId) = 0;
    // Returns true while the device behind the handle is still attached.
    virtual bool CheckHandle(int handle) = 0;
    // Returns true when buffer holds a fresh 8-byte input report; false (buffer untouched) otherwise, always for -1.
    virtual bool ReadData(int handle, std::uint8_t buffer[8]) = 0;
    // Sends one 8-byte output report; failures are not reported.
    virtual void WriteData(int handle, const std::uint8_t report[8]) = 0;
    // Non-empty once a device was seen that could not be opened (permissions): which one and
    // why, the remedy is the caller's to add. Cleared by the call.
    virtual std::string takeAccessProblem() { return {}; }
    // True for the hidraw backend, the one the toy doctor can explain.
    virtual bool onHidraw() const { return false; }
    // Counts the device arrivals, removals and changes seen so far; it stays 0 where they
    // cannot be watched. A cheap look that tells when a new diagnosis is worth making.
    virtual unsigned long deviceChanges() { return 0; }
    // False while FindHandle is sure to find nothing: it searched and no device arrived
    // since. An idle program then needs no tick until the arrival wakes it.
    virtual bool mayFindDevice() { return true; }
};

// Builds a backend from a --toy value: "hid", "virtual:DIR" or "none".
// Returns nullptr and sets *error for an unknown value.
std::unique_ptr<ToyLibrary> makeToyLibrary(const std::string& backend, std::string* error);

} // namespace platform
