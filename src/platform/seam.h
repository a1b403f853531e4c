#pragma once

namespace platform {

// One replaceable service: the installed implementation (not owned) or, when none is
// installed, a default that lives for the whole process.
template <class Interface, class Default>
class Seam {
public:
    static Interface& get() { return s_installed ? *s_installed : fallback(); }
    static void install(Interface* implementation) { s_installed = implementation; }

private:
    static Default& fallback()
    {
        static Default instance;
        return instance;
    }
    static inline Interface* s_installed = nullptr;
};

} // namespace platform
