// quillby-toy-rule: run as root through pkexec, installs the toy's udev rule and has udev
// apply it. It takes nothing from its caller: the rule, its place and the commands are
// fixed. --root and --udevadm exist for tests and are refused under pkexec.
#include "device/toy_rule_install.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string findUdevadm()
{
    for (const char* path : { "/usr/bin/udevadm", "/bin/udevadm", "/usr/sbin/udevadm", "/sbin/udevadm" }) {
        if (::access(path, X_OK) == 0)
            return path;
    }
    return {};
}

int usage()
{
    std::fprintf(stderr, "usage: quillby-toy-rule (run through pkexec; no arguments)\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    ::umask(022);
    RuleInstallSeam seam;
    seam.udevadm = findUdevadm();
    seam.run = RunProgram;
    bool rootGiven = false;
    for (int i = 1; i < argc; ++i) {
        // pkexec sets PKEXEC_UID itself: a caller cannot hide that it came through pkexec.
        if (std::getenv("PKEXEC_UID"))
            return usage();
        if (std::strcmp(argv[i], "--root") == 0 && i + 1 < argc) {
            seam.root = argv[++i];
            rootGiven = true;
        } else if (std::strcmp(argv[i], "--udevadm") == 0 && i + 1 < argc) {
            seam.udevadm = argv[++i];
        } else {
            return usage();
        }
    }
    if (!rootGiven && ::geteuid() != 0) {
        std::fprintf(stderr, "quillby-toy-rule: needs root: run it through pkexec\n");
        return 2;
    }
    if (seam.udevadm.empty()) {
        std::fprintf(stderr, "quillby-toy-rule: udevadm is not installed\n");
        return 1;
    }
    std::string installed;
    const std::string problem = InstallToyRule(seam, &installed);
    if (!installed.empty())
        std::printf("installed %s\n", installed.c_str());
    if (!problem.empty()) {
        std::fprintf(stderr, "quillby-toy-rule: %s\n", problem.c_str());
        return 1;
    }
    std::printf("udev reloaded its rules and replayed the hidraw devices\n");
    return 0;
}
