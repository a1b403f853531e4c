// A first copy for the single-instance tests: claims, answers "pong:" + request,
// and says "claimed" on stdout once it listens. The test kills it to leave a stale lock.
#include "platform/single_instance.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    platform::SingleInstance instance;
    if (!instance.claim()) {
        std::puts("busy");
        return 1;
    }
    instance.setHandler([](const QString& request) { return QStringLiteral("pong:") + request; });
    std::puts("claimed");
    std::fflush(stdout);
    return app.exec();
}
