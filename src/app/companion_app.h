#pragma once

#include <QString>
#include <memory>
#include <string>

namespace platform {
class IdleSource;
class SoundOutput;
class ToyLibrary;
} // namespace platform

// The start date, which the calendar takes as its first selection.
struct StartDate {
    int day = 0;
    int year = 0;
    int month = 0;
    std::string monthName;
};

// The application: one copy per user, the idle source, the main window's run, the exit step.
class CompanionApp final {
public:
    struct Options {
        std::string dataDir;          // --data-dir; empty = the executable's folder
        std::string toy = "hid";      // --toy
        bool hidden = false;          // --hidden: start in the tray (the login start)
        QString remoteRequest;        // --nod, --status, --show, --quit
        QString activationToken;      // handed to the running copy with a raise or --show
        platform::IdleSource* idle = nullptr; // not owned; nullptr = the system's idle source
    };

    explicit CompanionApp(Options options);
    ~CompanionApp();
    CompanionApp(const CompanionApp&) = delete;
    CompanionApp& operator=(const CompanionApp&) = delete;

    // Runs the whole life of the process; returns the exit code.
    int Run();

    static const StartDate& startDate();
    static StartDate MakeStartDate(std::int64_t now);

private:
    int runRemote();
    bool initInstance();
    int exitInstance(int code);

    Options m_options;
    std::unique_ptr<platform::IdleSource> m_idle;
    std::unique_ptr<platform::SoundOutput> m_sound;
    std::unique_ptr<platform::ToyLibrary> m_toy;
};
