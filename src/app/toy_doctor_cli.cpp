#include "app/toy_doctor_cli.h"

#include "app/data_folder.h"
#include "device/toy_doctor.h"

#include <climits>
#include <cstdio>
#include <unistd.h>

std::string PkexecPath()
{
    for (const char* path : { "/usr/bin/pkexec", "/bin/pkexec" }) {
        if (::access(path, X_OK) == 0)
            return path;
    }
    return {};
}

std::string ToyRuleHelperPath(const std::string& executablePath)
{
    return HelperFolderFromExecutable(executablePath) + "quillby-toy-rule";
}

std::string ToyRuleHelperCommand(const std::string& executablePath)
{
    const std::string pkexec = PkexecPath();
    const std::string helper = ToyRuleHelperPath(executablePath);
    if (pkexec.empty() || ::access(helper.c_str(), X_OK) != 0)
        return {};
    return pkexec + " " + helper;
}

int RunToyDoctor(const std::string& executablePath)
{
    SetToyRuleHelperCommand(ToyRuleHelperCommand(executablePath));
    const ToyDiagnosis diagnosis = DiagnoseToy();
    std::fputs(FormatDiagnosis(diagnosis).c_str(), stdout);
    return diagnosis.usable ? 0 : 1;
}

std::string OwnExecutablePath()
{
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}
