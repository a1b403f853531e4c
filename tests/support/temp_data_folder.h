#pragma once

#include "core/globals.h"

#include <QTemporaryDir>
#include <cstdlib>
#include <string>

// A fresh data folder for one test: globals reset, g_dataFolder pointing at an empty
// temporary folder with a trailing "/".
class TempDataFolder {
public:
    TempDataFolder()
    {
        ResetGlobals();
        g_dataFolder = m_dir.path().toStdString() + "/";
        // Recovery copies of in-place saves go here, not into the user's own state folder.
        ::setenv("XDG_STATE_HOME", m_state.path().toLocal8Bit().constData(), 1);
    }
    ~TempDataFolder()
    {
        ::unsetenv("XDG_STATE_HOME");
        ResetGlobals();
    }
    std::string statePath(const std::string& name) const { return m_state.path().toStdString() + "/quillby/" + name; }
    std::string path(const std::string& name) const { return g_dataFolder + name; }
    const std::string& folder() const { return g_dataFolder; }

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_state;
};
