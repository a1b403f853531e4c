#pragma once

#include <QCoreApplication>

// The sockets need an application object; one for the whole test binary.
inline void EnsureCoreApp()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "test_mail";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}
