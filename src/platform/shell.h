#pragma once

#include <string>

namespace platform {

// Starts a program file detached, without waiting; a missing file starts nothing and reports nothing.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void launch(const std::string& path) = 0;
};

class SystemShell final : public Shell {
public:
    void launch(const std::string& path) override;
};

Shell& shell();
void setShell(Shell* shell); // not owned; nullptr restores the system shell

} // namespace platform
