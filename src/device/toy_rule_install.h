#pragma once

#include <functional>
#include <string>
#include <vector>

// The root part of "Allow this user to use the toy": writes the toy's udev rule, and
// nothing else, under <root>/etc/udev/rules.d, then has udev reload its rules and
// replay the hidraw nodes' arrival so that the rule applies to a toy already plugged in.
struct RuleInstallSeam {
    std::string root = "/";
    std::string udevadm = "/usr/bin/udevadm";
    // Runs a program with these arguments (argv[0] the program) and returns its exit
    // status, or -1 when it could not run.
    std::function<int(const std::vector<std::string>& argv)> run;
};

// Empty on success, else what went wrong. The file is written to a temporary beside
// it and renamed over it, with the rule's bytes exactly, mode 0644, owned by the
// caller's effective user (root when it matters); every folder on the way must be the
// caller's or root's and writable by no one else, and none may be a symbolic link.
std::string InstallToyRule(const RuleInstallSeam& seam, std::string* installedPath = nullptr);

// Runs a program with a bare environment and waits for it.
int RunProgram(const std::vector<std::string>& argv);
