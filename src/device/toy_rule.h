#pragma once

#include <string_view>

// The toy's udev rule, byte for byte the file the package installs.
inline constexpr std::string_view kToyRuleFileName = "70-quillby-toy.rules";
// Where a local installation puts it: udev reads /etc first, and the package's copy
// under /usr/lib stays the package manager's.
inline constexpr std::string_view kToyRuleFolder = "/etc/udev/rules.d";

std::string_view ToyRuleText();

// True when a rule file's text gives the toy's node to the user at the seat.
bool RuleGrantsToy(std::string_view text);
