#include "device/toy_doctor.h"

#include "device/toy_rule.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <map>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kVendor = "1941";
constexpr const char* kProduct = "8021";
constexpr unsigned kVendorId = 0x1941;
constexpr unsigned kProductId = 0x8021;
constexpr const char* kTrigger = "sudo udevadm trigger --subsystem-match=hidraw --action=add";

std::string g_ruleHelperCommand;

std::string trimmed(std::string text)
{
    const auto end = text.find_last_not_of(" \t\r\n");
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

// A small sysfs or /run file, trimmed; nullopt when it cannot be read.
std::optional<std::string> readSmall(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text(4096, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return trimmed(std::move(text));
}

std::map<std::string, std::string> readKeyValues(const fs::path& path, char separator)
{
    std::map<std::string, std::string> values;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const auto at = line.find(separator);
        if (at != std::string::npos)
            values[line.substr(0, at)] = trimmed(line.substr(at + 1));
    }
    return values;
}

std::string lowercase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string canonicalText(const fs::path& path)
{
    std::error_code error;
    const fs::path resolved = fs::canonical(path, error);
    return error ? std::string() : resolved.string();
}

// hidraw10 after hidraw9.
int nodeNumber(const std::string& name)
{
    return std::atoi(name.c_str() + std::strlen("hidraw"));
}

std::string joined(const std::vector<std::string>& parts, const std::string& separator)
{
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : separator) + part;
    return text;
}

std::string modeText(unsigned mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", mode & 07777u);
    return text;
}

std::string permText(unsigned bits)
{
    std::string text = "---";
    if (bits & 4u)
        text[0] = 'r';
    if (bits & 2u)
        text[1] = 'w';
    if (bits & 1u)
        text[2] = 'x';
    return text;
}

struct UsbToy {
    std::string name; // sysfs name: 1-2.3
    std::string path; // canonical sysfs path
    std::string bus;
    std::string port;
    std::string serial;
    std::string product;
    std::string where() const { return "bus " + bus + ", port " + port; }
};

struct Holder {
    int pid = 0;
    std::string name;
    bool companion = false; // this user's quillby
};

struct ToyNode {
    std::string name; // hidraw3
    std::string devName; // /dev/hidraw3, as processes name it
    std::string devPath; // under the /dev root
    std::string major;
    std::string minor;
    int usb = -1; // index into the USB toys, -1 when not on USB
    std::string hidBus;
    std::optional<DoctorNode> info;
    int openError = 0;
    std::vector<Holder> holders;
};

std::vector<UsbToy> findUsbToys(const DoctorRoots& roots, bool* busSeen)
{
    std::vector<UsbToy> toys;
    const fs::path folder = fs::path(roots.sys) / "bus/usb/devices";
    std::error_code error;
    *busSeen = fs::is_directory(folder, error);
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.find(':') != std::string::npos) // an interface, not a device
            continue;
        if (lowercase(readSmall(it->path() / "idVendor").value_or("")) != kVendor
            || lowercase(readSmall(it->path() / "idProduct").value_or("")) != kProduct)
            continue;
        UsbToy toy;
        toy.name = name;
        toy.path = canonicalText(it->path());
        toy.bus = readSmall(it->path() / "busnum").value_or("?");
        toy.port = readSmall(it->path() / "devpath").value_or("?");
        toy.serial = readSmall(it->path() / "serial").value_or("");
        toy.product = readSmall(it->path() / "product").value_or("");
        toys.push_back(std::move(toy));
    }
    std::sort(toys.begin(), toys.end(), [](const UsbToy& a, const UsbToy& b) { return a.name < b.name; });
    return toys;
}

// The HID ids in a hidraw device's uevent: HID_ID=0003:00001941:00008021.
bool hidIdsMatch(const fs::path& uevent, std::string* hidBus)
{
    const auto values = readKeyValues(uevent, '=');
    const auto id = values.find("HID_ID");
    if (id == values.end())
        return false;
    unsigned bus = 0;
    unsigned vendor = 0;
    unsigned product = 0;
    if (std::sscanf(id->second.c_str(), "%x:%x:%x", &bus, &vendor, &product) != 3)
        return false;
    char text[8];
    std::snprintf(text, sizeof text, "%04X", bus);
    *hidBus = text;
    return vendor == kVendorId && product == kProductId;
}

std::vector<ToyNode> findNodes(const DoctorRoots& roots, const std::vector<UsbToy>& usb)
{
    std::vector<ToyNode> nodes;
    const fs::path folder = fs::path(roots.sys) / "class/hidraw";
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        ToyNode node;
        node.name = it->path().filename().string();
        if (!node.name.starts_with("hidraw") || !hidIdsMatch(it->path() / "device/uevent", &node.hidBus))
            continue;
        node.devName = "/dev/" + node.name;
        node.devPath = roots.dev + "/" + node.name;
        const std::string numbers = readSmall(it->path() / "dev").value_or("");
        const auto colon = numbers.find(':');
        if (colon != std::string::npos) {
            node.major = numbers.substr(0, colon);
            node.minor = numbers.substr(colon + 1);
        }
        const std::string path = canonicalText(it->path());
        for (std::size_t i = 0; i < usb.size(); ++i) {
            if (!usb[i].path.empty() && path.starts_with(usb[i].path + "/"))
                node.usb = static_cast<int>(i);
        }
        nodes.push_back(std::move(node));
    }
    std::sort(nodes.begin(), nodes.end(),
        [](const ToyNode& a, const ToyNode& b) { return nodeNumber(a.name) < nodeNumber(b.name); });
    return nodes;
}

// Who has each node open, from /proc/<pid>/fd; processes of others stay unseen unless
// we are root. Returns how many processes could not be looked into.
int findHolders(const DoctorRoots& roots, std::vector<ToyNode>& nodes)
{
    std::error_code error;
    // /proc mounted with hidepid hides other users' processes altogether, init's too.
    int unseen = roots.uid != 0 && !fs::exists(fs::path(roots.proc) / "1", error) ? 1 : 0;
    for (fs::directory_iterator it(roots.proc, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const int pid = std::atoi(name.c_str());
        if (pid == ::getpid())
            continue;
        std::error_code fdError;
        fs::directory_iterator fds(it->path() / "fd", fdError);
        if (fdError) {
            if (fdError == std::errc::permission_denied)
                ++unseen;
            continue;
        }
        std::vector<ToyNode*> held;
        for (fs::directory_iterator fdEnd; !fdError && fds != fdEnd; fds.increment(fdError)) {
            std::error_code linkError;
            const std::string target = fs::read_symlink(fds->path(), linkError).string();
            for (ToyNode& node : nodes) {
                if (!linkError && target == node.devName
                    && std::find(held.begin(), held.end(), &node) == held.end())
                    held.push_back(&node);
            }
        }
        if (held.empty())
            continue;
        Holder holder;
        holder.pid = pid;
        holder.name = readSmall(it->path() / "comm").value_or("?");
        const auto status = readKeyValues(it->path() / "status", ':');
        const auto uid = status.find("Uid");
        holder.companion = holder.name == "quillby" && uid != status.end()
            && std::strtoul(uid->second.c_str(), nullptr, 10) == roots.uid;
        for (ToyNode* node : held)
            node->holders.push_back(holder);
    }
    return unseen;
}

struct RuleState {
    std::string effective; // the file udev reads, empty when none
    bool grants = false;
};

RuleState findRule(const DoctorRoots& roots)
{
    RuleState state;
    for (const std::string& folder : roots.ruleFolders) {
        const fs::path file = fs::path(folder) / kToyRuleFileName;
        std::error_code error;
        if (!fs::exists(file, error))
            continue;
        // The first folder wins: a file of the same name hides the others.
        state.effective = file.string();
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        state.grants = RuleGrantsToy(text.str());
        break;
    }
    return state;
}

struct Session {
    std::string id;
    bool known = false;
    bool active = false;
    bool local = false;
    std::string seat;
    std::string state;
};

Session findSession(const DoctorRoots& roots)
{
    Session session;
    session.id = roots.sessionId;
    if (session.id.empty()) {
        // Outside a session (a terminal over ssh, a service) the user's display session counts.
        const auto user
            = readKeyValues(fs::path(roots.run) / "systemd/users" / std::to_string(roots.uid), '=');
        if (const auto display = user.find("DISPLAY"); display != user.end())
            session.id = display->second;
    }
    if (session.id.empty() || session.id.find('/') != std::string::npos || session.id.starts_with('.'))
        return session;
    const fs::path file = fs::path(roots.run) / "systemd/sessions" / session.id;
    std::error_code error;
    if (!fs::exists(file, error))
        return session;
    const auto values = readKeyValues(file, '=');
    auto value = [&values](const char* key) {
        const auto it = values.find(key);
        return it == values.end() ? std::string() : it->second;
    };
    session.known = true;
    session.seat = value("SEAT");
    session.state = value("STATE");
    session.active = value("ACTIVE") == "1";
    session.local = !session.seat.empty() && value("REMOTE") != "1";
    return session;
}

std::string sessionFact(const DoctorRoots& roots, const Session& session)
{
    if (session.id.empty())
        return "session: none known to logind (XDG_SESSION_ID is not set)";
    if (!session.known)
        return "session: " + session.id + " is not known to logind (no " + roots.run + "/systemd/sessions/"
            + session.id + ")";
    std::string fact = "session: " + session.id;
    fact += session.seat.empty() ? ", on no seat" : ", seat " + session.seat;
    fact += session.local ? ", local" : ", remote";
    fact += session.active ? ", active"
                           : ", not active (" + (session.state.empty() ? "?" : session.state) + ")";
    return fact;
}

// The tags udev gave the node, from its database entry; nullopt without an entry.
std::optional<std::vector<std::string>> udevTags(const DoctorRoots& roots, const ToyNode& node)
{
    if (node.major.empty())
        return std::nullopt;
    std::ifstream in(fs::path(roots.run) / "udev/data" / ("c" + node.major + ":" + node.minor));
    if (!in)
        return std::nullopt;
    // "Q:" lists the tags the node carries now (newer udev); "G:" every tag it ever had.
    std::vector<std::string> current;
    std::vector<std::string> ever;
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with("Q:"))
            current.push_back(line.substr(2));
        else if (line.starts_with("G:"))
            ever.push_back(line.substr(2));
    }
    return current.empty() ? ever : current;
}

// Who may read and write the node, as getfacl reads its ACL: the mask (the mode's group
// bits) limits named users, the owning group and named groups.
std::string ownersText(const DoctorRoots& roots, const DoctorNode& info)
{
    std::vector<std::string> who;
    const unsigned mask = (info.mode >> 3) & 7u;
    const auto grants = [](unsigned bits) { return (bits & 6u) == 6u; };
    if (grants(info.mode >> 6))
        who.push_back(roots.userName(info.uid));
    for (const auto& [uid, bits] : info.aclUsers) {
        if (grants(bits & mask))
            who.push_back(roots.userName(uid));
    }
    if (grants(info.aclOwningGroup ? *info.aclOwningGroup & mask : mask))
        who.push_back("members of group " + roots.groupName(info.gid));
    for (const auto& [gid, bits] : info.aclGroups) {
        if (grants(bits & mask))
            who.push_back("members of group " + roots.groupName(gid));
    }
    if (grants(info.mode))
        who.push_back("everyone");
    if (who.empty())
        return "nobody";
    return joined(who, " and ");
}

std::string installRuleCommand(const DoctorRoots& roots)
{
    return roots.ruleHelperCommand.empty() ? ToyRuleSudoCommand() : roots.ruleHelperCommand;
}

} // namespace

std::string ToyRuleSudoCommand()
{
    std::string rule;
    std::istringstream lines { std::string(ToyRuleText()) };
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] != '#')
            rule = line;
    }
    return "echo '" + rule + "' | sudo tee " + std::string(kToyRuleFolder) + "/"
        + std::string(kToyRuleFileName) + " >/dev/null && sudo udevadm control --reload && " + kTrigger;
}

namespace {

void setVerdict(
    ToyDiagnosis& d, ToyProblem problem, std::string shortVerdict, std::string verdict, std::string fix = {})
{
    d.problem = problem;
    d.usable = problem == ToyProblem::None || problem == ToyProblem::SeveralToys;
    d.shortVerdict = std::move(shortVerdict);
    d.verdict = std::move(verdict);
    d.fixCommand = std::move(fix);
}

} // namespace

DoctorRoots DoctorRoots::system()
{
    DoctorRoots roots;
    roots.uid = ::getuid();
    if (const char* id = std::getenv("XDG_SESSION_ID"))
        roots.sessionId = id;
    roots.ruleHelperCommand = g_ruleHelperCommand;
    roots.tryOpen = [](const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            return errno;
        ::close(fd);
        return 0;
    };
    roots.statNode = [](const std::string& path) -> std::optional<DoctorNode> {
        struct stat info { };
        if (::stat(path.c_str(), &info) != 0)
            return std::nullopt;
        DoctorNode node;
        node.uid = info.st_uid;
        node.gid = info.st_gid;
        node.mode = info.st_mode & 07777u;
        // The access ACL: a 4-byte header, then 8-byte entries (tag, permissions, id),
        // little-endian; tag 2 names a user, 4 is the owning group, 8 names a group.
        unsigned char acl[1024];
        const ssize_t size = ::getxattr(path.c_str(), "system.posix_acl_access", acl, sizeof acl);
        for (ssize_t at = 4; size > 4 && at + 8 <= size; at += 8) {
            const unsigned tag = acl[at] | (acl[at + 1] << 8);
            const unsigned perm = acl[at + 2] | (acl[at + 3] << 8);
            const std::uint32_t id = acl[at + 4] | (acl[at + 5] << 8) | (acl[at + 6] << 16)
                | (static_cast<std::uint32_t>(acl[at + 7]) << 24);
            if (tag == 2)
                node.aclUsers.emplace_back(id, perm);
            else if (tag == 4)
                node.aclOwningGroup = perm;
            else if (tag == 8)
                node.aclGroups.emplace_back(id, perm);
        }
        return node;
    };
    roots.userName = [](unsigned uid) {
        const passwd* entry = ::getpwuid(uid);
        return entry ? std::string(entry->pw_name) : std::to_string(uid);
    };
    roots.groupName = [](unsigned gid) {
        const group* entry = ::getgrgid(gid);
        return entry ? std::string(entry->gr_name) : std::to_string(gid);
    };
    return roots;
}

void SetToyRuleHelperCommand(std::string command)
{
    g_ruleHelperCommand = std::move(command);
}

ToyDiagnosis DiagnoseToy(const DoctorRoots& roots)
{
    ToyDiagnosis d;
    auto fact = [&d](std::string text) { d.facts.push_back(std::move(text)); };
    const std::string user = roots.userName(roots.uid);

    bool busSeen = false;
    const std::vector<UsbToy> usb = findUsbToys(roots, &busSeen);
    std::vector<ToyNode> nodes = findNodes(roots, usb);
    if (!busSeen)
        fact("USB: no USB devices are visible here (" + roots.sys + "/bus/usb/devices is missing)");
    else if (usb.empty())
        fact("USB: no device 1941:8021 is plugged in");
    for (std::size_t i = 0; i < usb.size(); ++i) {
        std::string line = "USB: toy 1941:8021 at " + usb[i].where();
        if (!usb[i].product.empty())
            line += ", \"" + usb[i].product + "\"";
        line += usb[i].serial.empty() ? ", no serial number" : ", serial " + usb[i].serial;
        std::vector<std::string> own;
        for (const ToyNode& node : nodes) {
            if (node.usb == static_cast<int>(i))
                own.push_back(node.devName);
        }
        line += own.empty() ? ", no hidraw node" : ", node " + joined(own, ", ");
        fact(line);
    }
    for (const ToyNode& node : nodes) {
        if (node.usb < 0)
            fact("hidraw: " + node.devName + " has the toy's ids but is not on USB (HID bus " + node.hidBus
                + ")");
    }

    const int unseen = nodes.empty() ? 0 : findHolders(roots, nodes);
    for (ToyNode& node : nodes) {
        node.info = roots.statNode(node.devPath);
        if (!node.info) {
            node.openError = ENOENT;
            fact(node.devName + ": missing");
            continue;
        }
        const DoctorNode& info = *node.info;
        const bool masked = info.aclOwningGroup.has_value();
        std::string line = node.devName + ": owner " + roots.userName(info.uid) + ", group "
            + roots.groupName(info.gid) + ", mode " + modeText(info.mode);
        // As getfacl prints it: each entry, and what the mask leaves of it.
        const unsigned mask = (info.mode >> 3) & 7u;
        const auto entry = [&](const std::string& who, unsigned bits) {
            line += ", ACL " + who + " " + permText(bits);
            if (masked && (bits & ~mask & 7u))
                line += " (effective " + permText(bits & mask) + ")";
        };
        for (const auto& [uid, bits] : info.aclUsers)
            entry(roots.userName(uid), bits);
        if (masked)
            entry("group " + roots.groupName(info.gid), *info.aclOwningGroup);
        for (const auto& [gid, bits] : info.aclGroups)
            entry("group " + roots.groupName(gid), bits);
        if (masked)
            line += ", ACL mask " + permText(mask);
        fact(line);
        node.openError = roots.tryOpen(node.devPath);
        fact(node.devName
            + (node.openError == 0 ? ": " + user + " can open it for reading and writing"
                                   : ": " + user + " cannot open it for reading and writing ("
                        + std::strerror(node.openError) + ")"));
        if (node.holders.empty()) {
            fact(node.devName + ": open in no process" + (unseen > 0 ? " this user can look into" : ""));
        }
        for (const Holder& holder : node.holders) {
            fact(node.devName + ": open in pid " + std::to_string(holder.pid) + " (" + holder.name
                + (holder.companion ? ", this user's companion)" : ")"));
        }
    }

    const RuleState rule = findRule(roots);
    d.ruleInstalled = rule.grants;
    if (rule.effective.empty())
        fact("udev rule: " + std::string(kToyRuleFileName) + " is not installed ("
            + joined(roots.ruleFolders, ", ") + ")");
    else
        fact("udev rule: " + rule.effective
            + (rule.grants ? "" : ", which does not give the toy to the seat's user"));

    std::error_code error;
    const bool udevRuns = fs::exists(fs::path(roots.run) / "udev/control", error);
    if (!udevRuns)
        fact("udev: not running here (no " + roots.run + "/udev/control)");
    std::map<const ToyNode*, std::optional<std::vector<std::string>>> tags;
    for (const ToyNode& node : nodes) {
        if (!udevRuns)
            break;
        tags[&node] = udevTags(roots, node);
        if (!tags[&node])
            fact("udev: " + node.devName + " has no entry in udev's database");
        else
            fact("udev: " + node.devName
                + " has tags: " + (tags[&node]->empty() ? "none" : joined(*tags[&node], ", ")));
    }
    const Session session = findSession(roots);
    fact(sessionFact(roots, session));

    // The verdict, from the cause nearest the user's hand outwards.
    if (usb.empty() && nodes.empty()) {
        setVerdict(d, ToyProblem::NoToy, "no toy is plugged in", "No toy is plugged in.");
        return d;
    }
    if (nodes.empty()) {
        setVerdict(d, ToyProblem::NoNode, "the system gave the toy no hidraw node",
            "A device with the toy's ids is plugged in at " + usb.front().where()
                + ", but the system gave it no hidraw node: the kernel's USB HID driver does not handle it.",
            "sudo modprobe usbhid");
        return d;
    }
    const auto usable
        = std::find_if(nodes.begin(), nodes.end(), [](const ToyNode& node) { return node.openError == 0; });
    if (usable != nodes.end()) {
        for (const Holder& holder : usable->holders) {
            if (holder.companion)
                continue;
            const std::string pid = std::to_string(holder.pid);
            setVerdict(d, ToyProblem::HeldByOther, "another program holds it (pid " + pid + ")",
                "Another program (pid " + pid + ", " + holder.name + ") holds the toy: end it first.",
                "kill " + pid);
            return d;
        }
        // A toy with several interfaces has several nodes: USB devices are what count.
        const std::size_t toys = usb.size()
            + static_cast<std::size_t>(
                std::count_if(nodes.begin(), nodes.end(), [](const ToyNode& node) { return node.usb < 0; }));
        if (toys > 1) {
            std::vector<std::string> where;
            for (const UsbToy& toy : usb)
                where.push_back(toy.where());
            setVerdict(d, ToyProblem::SeveralToys, std::to_string(toys) + " toys are plugged in",
                std::to_string(toys) + " toys are plugged in (" + joined(where, "; ")
                    + "): the companion drives only one of them. Unplug the others.");
            return d;
        }
        if (unseen > 0)
            setVerdict(d, ToyProblem::None, "usable, but its holders could not all be checked",
                "The toy is connected and usable, but its holders could not all be checked: this user cannot "
                "look into other users' processes, and one of them may hold the toy too (run quillby --doctor "
                "as root to see them all).");
        else
            setVerdict(d, ToyProblem::None, "usable", "The toy is connected and usable.");
        return d;
    }

    const ToyNode& node = nodes.front();
    if (!node.info) {
        setVerdict(d, ToyProblem::NodeMissing, node.devName + " is missing",
            "The toy is plugged in, but " + node.devName + " does not exist: udev did not create it.",
            kTrigger);
        return d;
    }
    if (node.openError != EACCES && node.openError != EPERM) {
        const std::string why = std::strerror(node.openError);
        setVerdict(d, ToyProblem::OpenFailed, node.devName + " cannot be opened: " + why,
            "The toy is plugged in, but " + node.devName + " cannot be opened: " + why + ".");
        return d;
    }
    const std::string owners = ownersText(roots, *node.info);
    if (!rule.grants) {
        setVerdict(d, ToyProblem::RuleMissing,
            "only " + owners + " may open it: the udev rule is not installed",
            "The toy is plugged in, but " + node.devName + " can be opened only by " + owners
                + ": the udev rule is not installed.",
            installRuleCommand(roots));
        return d;
    }
    const std::string grant = "sudo setfacl -m u:" + user + ":rw " + node.devName;
    if (!udevRuns) {
        setVerdict(d, ToyProblem::NoUdev, "udev does not run here, so its rule cannot apply",
            "The rule is installed, but udev does not run here, so nothing gives " + user + " " + node.devName
                + " (a grant by hand lasts until the toy is unplugged).",
            grant);
        return d;
    }
    const auto& nodeTags = tags[&node];
    if (!nodeTags || std::find(nodeTags->begin(), nodeTags->end(), "uaccess") == nodeTags->end()) {
        setVerdict(d, ToyProblem::RuleNotApplied, "the udev rule was not applied to it: plug it in again",
            "The rule is installed but was not applied to this toy: plug it in again, or have udev apply it "
            "anew.",
            "sudo udevadm trigger --subsystem-match=hidraw");
        return d;
    }
    if (!session.known || !session.local || !session.active) {
        const bool onSeat = session.known && session.local;
        setVerdict(d, ToyProblem::SessionNotLocal, "this session is not active on a local seat",
            "The rule gives the toy to the user at the seat, but this session is not active on a local seat"
                + std::string(
                    onSeat ? ": switch to it." : " (a grant by hand lasts until the toy is unplugged)."),
            onSeat ? "loginctl activate " + session.id : grant);
        return d;
    }
    setVerdict(d, ToyProblem::NoAccess, "this user may not open " + node.devName,
        "The rule was applied and this session is active at the seat, yet " + user + " may not open "
            + node.devName + ": logind did not grant the access.",
        kTrigger);
    return d;
}

std::string FormatDiagnosis(const ToyDiagnosis& diagnosis)
{
    std::string text;
    for (const std::string& fact : diagnosis.facts)
        text += fact + "\n";
    text += diagnosis.verdict + "\n";
    if (!diagnosis.fixCommand.empty())
        text += "Run: " + diagnosis.fixCommand + "\n";
    return text;
}
