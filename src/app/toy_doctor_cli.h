#pragma once

#include <string>

// "pkexec <helper>" when pkexec is installed and the rule helper lies where the program
// looks for its helpers; empty otherwise.
std::string ToyRuleHelperCommand(const std::string& executablePath);
// pkexec, or empty where it is not installed.
std::string PkexecPath();
// The helper program itself, whether or not it exists.
std::string ToyRuleHelperPath(const std::string& executablePath);

// quillby --doctor: prints the toy doctor's report; 0 when the toy is usable, else 1.
// Needs neither a display nor the single instance.
int RunToyDoctor(const std::string& executablePath);
// This process's executable, from /proc/self/exe (before Qt knows it).
std::string OwnExecutablePath();
