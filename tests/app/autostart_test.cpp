#include "app/autostart.h"
#include "app/data_folder.h"
#include "platform/env_guard.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

TEST(Autostart, EntryPathFollowsTheXdgConfigFolder)
{
    const struct {
        const char* config;
        const char* home;
        const char* expected;
    } cases[] = {
        { "/cfg", "/home/u", "/cfg/autostart/quillby.desktop" },
        { "relative", "/home/u", "/home/u/.config/autostart/quillby.desktop" },
        { nullptr, "/home/u", "/home/u/.config/autostart/quillby.desktop" },
        { nullptr, nullptr, "" },
    };
    for (const auto& c : cases) {
        EnvGuard config("XDG_CONFIG_HOME", c.config);
        EnvGuard home("HOME", c.home);
        EXPECT_EQ(AutostartEntryPath(), c.expected) << (c.config ? c.config : "-");
    }
}

TEST(Autostart, ExecArgumentsAreQuotedAndEscapedWhereNeeded)
{
    const struct {
        const char* argument;
        const char* expected;
    } cases[] = {
        { "/usr/bin/quillby", "/usr/bin/quillby" },
        { "/opt/My Apps/quillby", "\"/opt/My Apps/quillby\"" },
        { "/opt/$HOME/q", "\"/opt/\\\\$HOME/q\"" },
        { "/opt/a\"b/q", "\"/opt/a\\\\\"b/q\"" },
        { "/opt/a\\b/q", "\"/opt/a\\\\\\\\b/q\"" },
        { "/opt/100%/q", "\"/opt/100%%/q\"" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(DesktopExecArgument(c.argument), c.expected) << c.argument;
}

// The entry starts this copy again as it was started: its data folder and toy, hidden.
TEST(Autostart, SwitchingOnWritesTheEntryWithTheKeptOptionsAndOffRemovesIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EnvGuard config("XDG_CONFIG_HOME", dir.path().toLocal8Bit().constData());
    const std::string cwd = std::filesystem::current_path().string();
    const struct {
        const char* dataDir;
        const char* toy;
        std::string exec;
    } cases[] = {
        { "", "hid", "\"/opt/My Apps/quillby\" --hidden" },
        { "/home/u/My Data/", "none", "\"/opt/My Apps/quillby\" --hidden --data-dir \"/home/u/My Data/\" --toy none" },
        { "/d/100%\\a\"b", "", "\"/opt/My Apps/quillby\" --hidden --data-dir \"/d/100%%\\\\\\\\a\\\\\"b\"" },
        { "rel/data", "virtual:toy dir", "\"/opt/My Apps/quillby\" --hidden --data-dir " + cwd + "/rel/data --toy \"virtual:"
              + cwd + "/toy dir\"" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dataDir);
        SetAutostartOptions(c.dataDir, c.toy);
        EXPECT_FALSE(AutostartEnabled());
        SetAutostart(true, "/opt/My Apps/quillby");
        EXPECT_TRUE(AutostartEnabled());
        std::ifstream in(AutostartEntryPath());
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_NE(text.str().find("\nExec=" + c.exec + "\n"), std::string::npos) << text.str();
        SetAutostart(false, "/opt/My Apps/quillby");
        EXPECT_FALSE(AutostartEnabled());
        EXPECT_NO_THROW(SetAutostart(false, "/opt/My Apps/quillby"));
    }
    SetAutostartOptions("", "");
}

TEST(HelperFolder, InstalledCopiesUseLibQuillby)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string root = dir.path().toStdString();
    std::filesystem::create_directories(root + "/bin");
    EXPECT_EQ(HelperFolderFromExecutable(root + "/bin/quillby"), root + "/bin/");
    std::filesystem::create_directories(root + "/lib/quillby");
    std::ofstream(root + "/lib/quillby/MfcSaver.scr").put('x');
    EXPECT_EQ(HelperFolderFromExecutable(root + "/bin/quillby"), root + "/lib/quillby/");
}

} // namespace
