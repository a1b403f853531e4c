#pragma once

#include "platform/toy_library.h"

#include <memory>
#include <string>

// The backends behind makeToyLibrary(). In every backend a successful FindHandle
// supersedes the handles it gave out before: there is one toy and one owner.
namespace platform {

class HidApi;

// The toy on hidraw through hidapi, or through the given stand-in for its calls.
std::unique_ptr<ToyLibrary> makeHidToyLibrary();
std::unique_ptr<ToyLibrary> makeHidToyLibrary(std::unique_ptr<HidApi> api);

// A folder that stands for one toy: attached while folder/attached exists, the sensor
// fires while folder/sensor exists, every output report is appended to folder/reports.
std::unique_ptr<ToyLibrary> makeVirtualToyLibrary(const std::string& folder);

} // namespace platform
