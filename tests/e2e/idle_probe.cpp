// Prints the session's idle time once a second through the program's own idle seam, and
// the backend in use first: lets a script watch the idle protocols react to input.
#include "platform/idle_source.h"
#include "platform/clock.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The backend choice needs no Qt windows: their platform only rules XScreenSaver in or out.
    auto source = platform::makeSystemIdleSource(argc > 1 ? argv[1] : "wayland");
    if (!source->init())
        return 1;
    std::printf("idle: %s\n", source->backendName().c_str());
    std::fflush(stdout);
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        std::printf("%u\n", static_cast<unsigned>(platform::clock().tickCount() - source->lastInputTick()));
        std::fflush(stdout);
    });
    timer.start(1000);
    return QCoreApplication::exec();
}
