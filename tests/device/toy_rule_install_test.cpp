#include "device/toy_rule.h"
#include "device/toy_rule_install.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

const std::vector<std::vector<std::string>> kUdevCommands = {
    { "/fake/udevadm", "control", "--reload" },
    { "/fake/udevadm", "trigger", "--subsystem-match=hidraw", "--action=add" },
};

struct Case {
    const char* name;
    std::function<void(const fs::path& root)> prepare;
    int udevStatus;
    const char* error; // a part of the refusal, empty for success
    bool ruleWritten;
    std::size_t commandsRun;
};

TEST(ToyRuleInstall, WritesOnlyTheRuleAndRefusesUnsafeFolders)
{
    const std::vector<Case> cases = {
        { "fresh prefix", [](const fs::path&) {}, 0, "", true, 2 },
        { "an older rule is replaced",
            [](const fs::path& root) {
                fs::create_directories(root / "etc/udev/rules.d");
                std::ofstream(root / "etc/udev/rules.d/70-quillby-toy.rules") << "# old\n";
                fs::permissions(root / "etc/udev/rules.d/70-quillby-toy.rules", fs::perms::owner_read);
            },
            0, "", true, 2 },
        { "a link in place of the rule is replaced, its target untouched",
            [](const fs::path& root) {
                fs::create_directories(root / "etc/udev/rules.d");
                std::ofstream(root / "elsewhere") << "keep\n";
                fs::create_symlink(root / "elsewhere", root / "etc/udev/rules.d/70-quillby-toy.rules");
            },
            0, "", true, 2 },
        { "etc is a link",
            [](const fs::path& root) {
                fs::create_directories(root / "real-etc");
                fs::create_directory_symlink(root / "real-etc", root / "etc");
            },
            0, "/etc is not a folder", false, 0 },
        { "rules folder writable by others",
            [](const fs::path& root) {
                fs::create_directories(root / "etc/udev/rules.d");
                fs::permissions(root / "etc/udev/rules.d", fs::perms::all);
            },
            0, "/etc/udev/rules.d is writable by others", false, 0 },
        { "udev refuses to reload", [](const fs::path&) {}, 1,
            "the rule is installed, but \"/fake/udevadm control --reload\" failed (status 1)", true, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const fs::path root = dir.path().toStdString();
        c.prepare(root);
        std::vector<std::vector<std::string>> ran;
        RuleInstallSeam seam;
        seam.root = root.string();
        seam.udevadm = "/fake/udevadm";
        seam.run = [&](const std::vector<std::string>& argv) {
            ran.push_back(argv);
            return c.udevStatus;
        };
        const std::string error = InstallToyRule(seam);
        if (*c.error) {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
        } else {
            EXPECT_EQ(error, "");
        }
        EXPECT_EQ(ran,
            std::vector<std::vector<std::string>>(
                kUdevCommands.begin(), kUdevCommands.begin() + c.commandsRun));
        const fs::path rule = root / "etc/udev/rules.d/70-quillby-toy.rules";
        if (!c.ruleWritten) {
            EXPECT_FALSE(fs::exists(rule));
            continue;
        }
        struct stat info { };
        ASSERT_EQ(::lstat(rule.c_str(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(info.st_mode & 07777, 0644u);
        EXPECT_EQ(info.st_uid, ::geteuid());
        EXPECT_EQ(readAll(rule), ToyRuleText());
        // Nothing else: no temporary left beside it.
        EXPECT_EQ(std::distance(fs::directory_iterator(rule.parent_path()), fs::directory_iterator()), 1);
        if (fs::exists(root / "elsewhere")) {
            EXPECT_EQ(readAll(root / "elsewhere"), "keep\n");
        }
    }
}

TEST(ToyRuleInstall, TheShippedRuleGrantsTheToy)
{
    EXPECT_TRUE(RuleGrantsToy(ToyRuleText()));
    EXPECT_FALSE(RuleGrantsToy(
        "# KERNEL==\"hidraw*\", ATTRS{idVendor}==\"1941\", ATTRS{idProduct}==\"8021\", TAG+=\"uaccess\"\n"));
    EXPECT_FALSE(RuleGrantsToy(
        "KERNEL==\"hidraw*\", ATTRS{idVendor}==\"1941\", ATTRS{idProduct}==\"8021\", MODE=\"0600\"\n"));
}

} // namespace
