#include "device/toy_doctor.h"

#include <QTemporaryDir>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>

namespace fs = std::filesystem;

namespace {

constexpr unsigned kAlice = 1000;
constexpr unsigned kBob = 1001;
constexpr unsigned kPlugdev = 46;
// Above any pid the kernel hands out, so never the test's own.
constexpr int kCompanionPid = 4194401;
constexpr int kOtherPid = 4194402;

// A system of its own under a temp folder: sysfs, /dev, /run, /proc and the rule folders.
class FakeSystem {
public:
    FakeSystem()
    {
        root = m_dir.path().toStdString();
        roots.sys = root + "/sys";
        roots.dev = root + "/dev";
        roots.run = root + "/run";
        roots.proc = root + "/proc";
        roots.ruleFolders
            = { root + "/etc/udev/rules.d", root + "/run/udev/rules.d", root + "/usr/lib/udev/rules.d" };
        roots.uid = kAlice;
        roots.sessionId = "2";
        roots.tryOpen = [this](const std::string& path) {
            const auto it = openErrors.find(path.substr(roots.dev.size() + 1));
            return it == openErrors.end() ? ENOENT : it->second;
        };
        roots.statNode = [this](const std::string& path) -> std::optional<DoctorNode> {
            const auto it = nodes.find(path.substr(roots.dev.size() + 1));
            if (it == nodes.end())
                return std::nullopt;
            return it->second;
        };
        roots.userName = [](unsigned uid) {
            return uid == 0     ? std::string("root")
                : uid == kAlice ? std::string("alice")
                : uid == kBob   ? std::string("bob")
                                : std::to_string(uid);
        };
        roots.groupName = [](unsigned gid) {
            return gid == 0       ? std::string("root")
                : gid == kPlugdev ? std::string("plugdev")
                                  : std::to_string(gid);
        };
        fs::create_directories(roots.sys + "/bus/usb/devices");
        fs::create_directories(roots.sys + "/class/hidraw");
        fs::create_directories(roots.proc + "/1"); // init, seen where /proc hides no one
        // A keyboard is always there: its ids are not the toy's.
        addUsb("1-1", "046d", "c31c", "1");
        addNode("1-1", "hidraw0", "247:0", "0003:0000046D:0000C31C");
    }

    void write(const std::string& path, const std::string& text)
    {
        fs::create_directories(fs::path(root + "/" + path).parent_path());
        std::ofstream(root + "/" + path) << text;
    }

    void addUsb(const std::string& name, const std::string& vendor, const std::string& product,
        const std::string& port, const std::string& serial = {})
    {
        const std::string device = "sys/devices/pci0000:00/usb1/" + name;
        write(device + "/idVendor", vendor + "\n");
        write(device + "/idProduct", product + "\n");
        write(device + "/busnum", "1\n");
        write(device + "/devpath", port + "\n");
        if (!serial.empty())
            write(device + "/serial", serial + "\n");
        fs::create_directory_symlink(
            "../../../devices/pci0000:00/usb1/" + name, roots.sys + "/bus/usb/devices/" + name);
    }

    void addToy(const std::string& name, const std::string& port, const std::string& hidraw,
        const std::string& numbers, const std::string& serial = {})
    {
        addUsb(name, "1941", "8021", port, serial);
        addNode(name, hidraw, numbers, "0003:00001941:00008021");
    }

    // A hidraw node under a USB device's interface (or under a virtual device when usb is empty).
    void addNode(const std::string& usb, const std::string& hidraw, const std::string& numbers,
        const std::string& hidId)
    {
        const std::string hid = (usb.empty() ? "sys/devices/virtual/misc/uhid"
                                             : "sys/devices/pci0000:00/usb1/" + usb + "/" + usb + ":1.0")
            + "/" + hidId.substr(0, 4) + ":" + hidId.substr(9, 4) + ":" + hidId.substr(18, 4) + ".00"
            + hidraw.substr(6);
        write(hid + "/uevent", "DRIVER=hid-generic\nHID_ID=" + hidId + "\n");
        write(hid + "/hidraw/" + hidraw + "/dev", numbers + "\n");
        fs::create_directory_symlink("../..", root + "/" + hid + "/hidraw/" + hidraw + "/device");
        fs::create_directory_symlink(
            fs::relative(root + "/" + hid + "/hidraw/" + hidraw, roots.sys + "/class/hidraw"),
            roots.sys + "/class/hidraw/" + hidraw);
    }

    void addDevNode(const std::string& hidraw, DoctorNode node, int openError)
    {
        nodes[hidraw] = std::move(node);
        openErrors[hidraw] = openError;
    }

    void installRule(const std::string& folder)
    {
        write(folder + "/70-quillby-toy.rules",
            "KERNEL==\"hidraw*\", SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"1941\", "
            "ATTRS{idProduct}==\"8021\", TAG+=\"uaccess\"\n");
    }

    void udevRuns() { write("run/udev/control", ""); }
    void udevTags(const std::string& numbers, const std::string& lines)
    {
        write("run/udev/data/c" + numbers, lines);
    }

    void session(const std::string& id, const std::string& lines)
    {
        write("run/systemd/sessions/" + id, lines);
    }

    void process(int pid, const std::string& comm, unsigned uid, const std::string& heldPath)
    {
        const std::string dir = "proc/" + std::to_string(pid);
        write(dir + "/comm", comm + "\n");
        write(dir + "/status",
            "Name:\t" + comm + "\nUid:\t" + std::to_string(uid) + "\t" + std::to_string(uid) + "\n");
        fs::create_directories(root + "/" + dir + "/fd");
        fs::create_symlink("/dev/null", root + "/" + dir + "/fd/0");
        fs::create_symlink(heldPath, root + "/" + dir + "/fd/7");
    }

    std::string root;
    DoctorRoots roots;
    std::map<std::string, DoctorNode> nodes;
    std::map<std::string, int> openErrors;

private:
    QTemporaryDir m_dir;
};

const char* const kActiveSession
    = "UID=1000\nUSER=alice\nACTIVE=1\nSTATE=active\nREMOTE=0\nTYPE=x11\nSEAT=seat0\n";
const DoctorNode kRootOnly { 0, 0, 0600, {}, {}, {} };
const DoctorNode kSeatAcl { 0, 0, 0600, { { kAlice, 6 } }, {}, {} };
const DoctorNode kGroupNode { 0, kPlugdev, 0660, {}, {}, {} };
// As setfacl -m u:bob:rw,g:plugdev:rwx,g::- leaves it: the mode's group bits are the mask.
const DoctorNode kNamedAcl { 0, 0, 0660, { { kBob, 6 } }, { { kPlugdev, 7 } }, 0 };

// The setting every working case shares: the rule installed and applied, an active local session.
void seatReady(FakeSystem& s, const std::string& numbers)
{
    s.installRule("usr/lib/udev/rules.d");
    s.udevRuns();
    s.udevTags(numbers, "I:1234\nG:seat\nG:uaccess\nQ:seat\nQ:uaccess\nV:1\n");
    s.session("2", kActiveSession);
}

// The toy at port 2 as /dev/hidraw3, its node as given.
void toyAt3(FakeSystem& s, const DoctorNode& node, int openError, const std::string& serial = {})
{
    s.addToy("1-2", "2", "hidraw3", "247:3", serial);
    s.addDevNode("hidraw3", node, openError);
}

// Report lines several systems share; $ROOT stands for the fake system's folder.
const std::string kUsb3 = "USB: toy 1941:8021 at bus 1, port 2, no serial number, node /dev/hidraw3";
const std::string kRootOnly3 = "/dev/hidraw3: owner root, group root, mode 0600";
const std::string kAcl3 = "/dev/hidraw3: owner root, group root, mode 0600, ACL alice rw-";
const std::string kCan3 = "/dev/hidraw3: alice can open it for reading and writing";
const std::string kCannot3 = "/dev/hidraw3: alice cannot open it for reading and writing (Permission denied)";
const std::string kFree3 = "/dev/hidraw3: open in no process";
const std::string kUsrRule = "udev rule: $ROOT/usr/lib/udev/rules.d/70-quillby-toy.rules";
const std::string kNoRule = "udev rule: 70-quillby-toy.rules is not installed ($ROOT/etc/udev/rules.d, "
                            "$ROOT/run/udev/rules.d, $ROOT/usr/lib/udev/rules.d)";
const std::string kTags3 = "udev: /dev/hidraw3 has tags: seat, uaccess";
const std::string kSeatTag3 = "udev: /dev/hidraw3 has tags: seat";
const std::string kNoUdev = "udev: not running here (no $ROOT/run/udev/control)";
const std::string kSession2 = "session: 2, seat seat0, local, active";
const std::string kSudoRule = "Run: echo 'KERNEL==\"hidraw*\", SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"1941\", "
                              "ATTRS{idProduct}==\"8021\", TAG+=\"uaccess\"' | sudo tee "
                              "/etc/udev/rules.d/70-quillby-toy.rules >/dev/null && sudo udevadm control --reload "
                              "&& sudo udevadm trigger --subsystem-match=hidraw --action=add";

struct Case {
    const char* name;
    std::function<void(FakeSystem&)> build;
    bool usable;
    ToyProblem problem;
    const char* shortVerdict;
    std::vector<std::string> report;
};

const std::vector<Case>& cases()
{
    static const std::vector<Case> all = {
        { "toy absent",
            [](FakeSystem& s) {
                s.addDevNode("hidraw0", kRootOnly, 0);
                seatReady(s, "247:0");
            },
            false, ToyProblem::NoToy, "no toy is plugged in",
            { "USB: no device 1941:8021 is plugged in", kUsrRule, kSession2, "No toy is plugged in." } },
        { "present and usable, held by this user's companion",
            [](FakeSystem& s) {
                toyAt3(s, kSeatAcl, 0, "QB0001");
                seatReady(s, "247:3");
                s.process(kCompanionPid, "quillby", kAlice, "/dev/hidraw3");
            },
            true, ToyProblem::None, "usable",
            { "USB: toy 1941:8021 at bus 1, port 2, serial QB0001, node /dev/hidraw3", kAcl3, kCan3,
                "/dev/hidraw3: open in pid 4194401 (quillby, this user's companion)", kUsrRule, kTags3,
                kSession2, "The toy is connected and usable." } },
        { "present, root only, no rule",
            [](FakeSystem& s) {
                toyAt3(s, kRootOnly, EACCES);
                s.udevRuns();
                s.udevTags("247:3", "G:seat\nQ:seat\n");
                s.session("2", kActiveSession);
            },
            false, ToyProblem::RuleMissing, "only root may open it: the udev rule is not installed",
            { kUsb3, kRootOnly3, kCannot3, kFree3, kNoRule, kSeatTag3, kSession2,
                "The toy is plugged in, but /dev/hidraw3 can be opened only by root: the udev rule is not "
                "installed.",
                kSudoRule } },
        { "group node, no rule, the helper offered",
            [](FakeSystem& s) {
                s.roots.ruleHelperCommand = "pkexec /usr/lib/quillby/quillby-toy-rule";
                toyAt3(s, kGroupNode, EACCES);
                s.installRule("etc/udev/rules.d");
                s.write("etc/udev/rules.d/70-quillby-toy.rules", "# emptied by hand\n");
                s.installRule("usr/lib/udev/rules.d");
                s.session("2", kActiveSession);
            },
            false, ToyProblem::RuleMissing,
            "only root and members of group plugdev may open it: the udev rule is not installed",
            { kUsb3, "/dev/hidraw3: owner root, group plugdev, mode 0660", kCannot3, kFree3,
                "udev rule: $ROOT/etc/udev/rules.d/70-quillby-toy.rules, which does not give the toy to the "
                "seat's user",
                kNoUdev, kSession2,
                "The toy is plugged in, but /dev/hidraw3 can be opened only by root and members of group "
                "plugdev: the udev rule is not installed.",
                "Run: pkexec /usr/lib/quillby/quillby-toy-rule" } },
        { "an ACL naming a user and a group, the owning group masked out",
            [](FakeSystem& s) {
                toyAt3(s, kNamedAcl, EACCES);
                s.session("2", kActiveSession);
            },
            false, ToyProblem::RuleMissing,
            "only root and bob and members of group plugdev may open it: the udev rule is not installed",
            { kUsb3,
                "/dev/hidraw3: owner root, group root, mode 0660, ACL bob rw-, ACL group root ---, ACL group "
                "plugdev rwx (effective rw-), ACL mask rw-",
                kCannot3, kFree3, kNoRule, kNoUdev, kSession2,
                "The toy is plugged in, but /dev/hidraw3 can be opened only by root and bob and members of "
                "group plugdev: the udev rule is not installed.",
                kSudoRule } },
        { "usable, but other users' processes are hidden",
            [](FakeSystem& s) {
                toyAt3(s, kSeatAcl, 0);
                seatReady(s, "247:3");
                fs::remove(s.roots.proc + "/1");
            },
            true, ToyProblem::None, "usable, but its holders could not all be checked",
            { kUsb3, kAcl3, kCan3, "/dev/hidraw3: open in no process this user can look into", kUsrRule, kTags3,
                kSession2,
                "The toy is connected and usable, but its holders could not all be checked: this user cannot "
                "look into other users' processes, and one of them may hold the toy too (run quillby --doctor "
                "as root to see them all)." } },
        { "rule installed but not applied",
            [](FakeSystem& s) {
                toyAt3(s, kRootOnly, EACCES);
                s.installRule("etc/udev/rules.d");
                s.udevRuns();
                s.udevTags("247:3", "G:seat\nQ:seat\n");
                s.session("2", kActiveSession);
            },
            false, ToyProblem::RuleNotApplied, "the udev rule was not applied to it: plug it in again",
            { kUsb3, kRootOnly3, kCannot3, kFree3, "udev rule: $ROOT/etc/udev/rules.d/70-quillby-toy.rules",
                kSeatTag3, kSession2,
                "The rule is installed but was not applied to this toy: plug it in again, or have udev apply "
                "it anew.",
                "Run: sudo udevadm trigger --subsystem-match=hidraw" } },
        { "two toys",
            [](FakeSystem& s) {
                toyAt3(s, kSeatAcl, 0, "QB0001");
                s.addToy("1-3.1", "3.1", "hidraw5", "247:5", "QB0002");
                s.addDevNode("hidraw5", kSeatAcl, 0);
                seatReady(s, "247:3");
                s.udevTags("247:5", "Q:seat\nQ:uaccess\n");
            },
            true, ToyProblem::SeveralToys, "2 toys are plugged in",
            { "USB: toy 1941:8021 at bus 1, port 2, serial QB0001, node /dev/hidraw3",
                "USB: toy 1941:8021 at bus 1, port 3.1, serial QB0002, node /dev/hidraw5", kAcl3, kCan3,
                kFree3, "/dev/hidraw5: owner root, group root, mode 0600, ACL alice rw-",
                "/dev/hidraw5: alice can open it for reading and writing", "/dev/hidraw5: open in no process",
                kUsrRule, kTags3, "udev: /dev/hidraw5 has tags: seat, uaccess", kSession2,
                "2 toys are plugged in (bus 1, port 2; bus 1, port 3.1): the companion drives only one of "
                "them. "
                "Unplug the others." } },
        { "held by another program",
            [](FakeSystem& s) {
                toyAt3(s, kSeatAcl, 0);
                seatReady(s, "247:3");
                s.process(kOtherPid, "toyd", kBob, "/dev/hidraw3");
                s.process(kCompanionPid, "quillby", kAlice, "/dev/hidraw0");
            },
            false, ToyProblem::HeldByOther, "another program holds it (pid 4194402)",
            { kUsb3, kAcl3, kCan3, "/dev/hidraw3: open in pid 4194402 (toyd)", kUsrRule, kTags3, kSession2,
                "Another program (pid 4194402, toyd) holds the toy: end it first.", "Run: kill 4194402" } },
        { "session over ssh, not on a seat",
            [](FakeSystem& s) {
                toyAt3(s, kRootOnly, EACCES);
                seatReady(s, "247:3");
                s.roots.sessionId = "7";
                s.session("7", "UID=1000\nACTIVE=1\nSTATE=active\nREMOTE=1\nTYPE=tty\n");
            },
            false, ToyProblem::SessionNotLocal, "this session is not active on a local seat",
            { kUsb3, kRootOnly3, kCannot3, kFree3, kUsrRule, kTags3, "session: 7, on no seat, remote, active",
                "The rule gives the toy to the user at the seat, but this session is not active on a local "
                "seat (a grant by hand lasts until the toy is unplugged).",
                "Run: sudo setfacl -m u:alice:rw /dev/hidraw3" } },
        { "session on the seat but switched away, found through the user's display session",
            [](FakeSystem& s) {
                toyAt3(s, kRootOnly, EACCES);
                seatReady(s, "247:3");
                s.roots.sessionId.clear();
                s.write("run/systemd/users/1000", "NAME=alice\nDISPLAY=2\n");
                s.session("2", "UID=1000\nACTIVE=0\nSTATE=online\nREMOTE=0\nSEAT=seat0\n");
            },
            false, ToyProblem::SessionNotLocal, "this session is not active on a local seat",
            { kUsb3, kRootOnly3, kCannot3, kFree3, kUsrRule, kTags3,
                "session: 2, seat seat0, local, not active (online)",
                "The rule gives the toy to the user at the seat, but this session is not active on a local "
                "seat: switch to it.",
                "Run: loginctl activate 2" } },
        { "on USB without a hidraw node",
            [](FakeSystem& s) {
                s.addUsb("2-4", "1941", "8021", "4");
                s.session("2", kActiveSession);
            },
            false, ToyProblem::NoNode, "the system gave the toy no hidraw node",
            { "USB: toy 1941:8021 at bus 1, port 4, no serial number, no hidraw node", kNoRule, kNoUdev,
                kSession2,
                "A device with the toy's ids is plugged in at bus 1, port 4, but the system gave it no "
                "hidraw "
                "node: the kernel's USB HID driver does not handle it.",
                "Run: sudo modprobe usbhid" } },
        { "node in sysfs, missing from /dev, no session",
            [](FakeSystem& s) {
                s.addToy("1-2", "2", "hidraw3", "247:3");
                s.installRule("run/udev/rules.d");
                s.roots.sessionId.clear();
            },
            false, ToyProblem::NodeMissing, "/dev/hidraw3 is missing",
            { kUsb3, "/dev/hidraw3: missing", "udev rule: $ROOT/run/udev/rules.d/70-quillby-toy.rules",
                kNoUdev, "session: none known to logind (XDG_SESSION_ID is not set)",
                "The toy is plugged in, but /dev/hidraw3 does not exist: udev did not create it.",
                "Run: sudo udevadm trigger --subsystem-match=hidraw --action=add" } },
    };
    return all;
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

TEST(ToyDoctor, ReportsEachSystemLineByLine)
{
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        FakeSystem system;
        c.build(system);
        const ToyDiagnosis diagnosis = DiagnoseToy(system.roots);
        EXPECT_EQ(diagnosis.usable, c.usable);
        EXPECT_EQ(diagnosis.problem, c.problem);
        EXPECT_EQ(diagnosis.shortVerdict, c.shortVerdict);
        std::string report; // compared whole, for a line-by-line diff
        for (const std::string& line : c.report)
            report += line + "\n";
        EXPECT_EQ(replaced(FormatDiagnosis(diagnosis), system.root, "$ROOT"), report);
    }
}

} // namespace
