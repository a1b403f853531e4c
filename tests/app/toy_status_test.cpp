#include "app/toy_status.h"
#include "fakes/hidraw_library.h"

#include <gtest/gtest.h>

namespace {

struct Step {
    const char* what;
    bool connected;
    unsigned long changes;
    bool refused;
    bool hidraw;
    int diagnosesAfter;
    const char* line;
    bool lineChanged;
};

TEST(ToyStatus, TheDoctorRunsOnlyWhenSomethingAboutTheToyChanged)
{
    ToyDiagnosis verdict;
    verdict.shortVerdict = "no toy is plugged in";
    ToyStatus status([&verdict] { return verdict; });
    fakes::HidrawLibrary library;
    const char* const absent = "Toy not connected: no toy is plugged in";
    const char* const refused = "Toy not connected: only root may open it: the udev rule is not installed";
    const std::vector<Step> steps = {
        { "first tick", false, 0, false, true, 1, absent, true },
        { "nothing changed", false, 0, false, true, 1, absent, false },
        { "a device arrived", false, 1, false, true, 2, refused, true },
        { "the toy was refused", false, 1, true, true, 3, refused, false },
        { "connected", true, 1, false, true, 3, "", true },
        { "still connected", true, 5, false, true, 3, "", false },
        { "connection lost", false, 5, false, true, 4, refused, true },
        { "quiet again", false, 5, false, true, 4, refused, false },
        { "a virtual toy has no doctor", false, 6, true, false, 4, "", true },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.changes == 1)
            verdict.shortVerdict = "only root may open it: the udev rule is not installed";
        library.changes = step.changes;
        library.hidraw = step.hidraw;
        EXPECT_EQ(status.afterTick(&library, step.connected, step.refused), step.lineChanged);
        EXPECT_EQ(status.diagnoses(), step.diagnosesAfter);
        EXPECT_EQ(status.line().toStdString(), step.line);
    }
}

} // namespace
