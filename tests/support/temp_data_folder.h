#pragma once

#include "core/globals.h"

#include <QTemporaryDir>
#include <string>

// A fresh data folder for one test: globals reset, g_dataFolder pointing at an empty
// temporary folder with a trailing "/".
class TempDataFolder {
public:
    TempDataFolder()
    {
        ResetGlobals();
        g_dataFolder = m_dir.path().toStdString() + "/";
    }
    ~TempDataFolder() { ResetGlobals(); }
    std::string path(const std::string& name) const { return g_dataFolder + name; }
    const std::string& folder() const { return g_dataFolder; }

private:
    QTemporaryDir m_dir;
};
