#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Why the toy does or does not answer, found from what the system shows (sysfs, the
// device nodes, udev's rules and database, logind's session files, /proc) and said in
// plain words with the one command that fixes it. It runs on demand only: a scan reads
// dozens of files and, with a toy plugged in, every process's open files.

// A device node as stat and its access ACL describe it. With an ACL, the group bits of
// the mode are the ACL's mask, which limits every entry but the owner's and others'.
struct DoctorNode {
    unsigned uid = 0;
    unsigned gid = 0;
    unsigned mode = 0; // permission bits
    std::vector<std::pair<unsigned, unsigned>> aclUsers; // named users' (uid, rwx bits)
    std::vector<std::pair<unsigned, unsigned>> aclGroups; // named groups' (gid, rwx bits)
    std::optional<unsigned> aclOwningGroup; // the owning group's own entry, where an ACL has a mask
};

// Where the doctor looks, and the few calls a test replaces to build a system of its own.
struct DoctorRoots {
    std::string sys = "/sys";
    std::string dev = "/dev";
    std::string run = "/run";
    std::string proc = "/proc";
    // udev's rule folders, highest priority first.
    std::vector<std::string> ruleFolders
        = { "/etc/udev/rules.d", "/run/udev/rules.d", "/usr/lib/udev/rules.d" };
    unsigned uid = 0;
    std::string sessionId; // XDG_SESSION_ID; empty: the user's display session, if any
    // The command that installs the rule for us (pkexec and the helper), when both exist.
    std::string ruleHelperCommand;
    // Opens the node for reading and writing without blocking and closes it: 0 or errno.
    std::function<int(const std::string& path)> tryOpen;
    std::function<std::optional<DoctorNode>(const std::string& path)> statNode;
    std::function<std::string(unsigned uid)> userName;
    std::function<std::string(unsigned gid)> groupName;

    // The running system, this process's user and session.
    static DoctorRoots system();
};

enum class ToyProblem {
    None, // usable
    SeveralToys, // usable, but more than one is plugged in
    NoToy,
    NoNode, // on USB, but no hidraw node
    NodeMissing, // a hidraw node in sysfs but not in /dev
    RuleMissing,
    NoUdev, // udev does not run, so no rule can apply
    RuleNotApplied,
    SessionNotLocal,
    NoAccess, // everything looks right and still no access
    OpenFailed, // an error other than a permission
    HeldByOther,
};

struct ToyDiagnosis {
    bool usable = false;
    ToyProblem problem = ToyProblem::NoToy;
    bool ruleInstalled = false;
    std::string shortVerdict; // a phrase: "toy: not connected (<short>)"
    std::string verdict; // a sentence
    std::string fixCommand; // empty when no command helps
    std::vector<std::string> facts;
};

ToyDiagnosis DiagnoseToy(const DoctorRoots& roots = DoctorRoots::system());

// What --doctor prints: a fact a line, the verdict, then "Run: <command>" when there is one.
std::string FormatDiagnosis(const ToyDiagnosis& diagnosis);

// The command DoctorRoots::system() offers for a missing rule; empty for the sudo one-liner.
void SetToyRuleHelperCommand(std::string command);

// The command that installs the rule by hand with sudo, and has udev apply it.
std::string ToyRuleSudoCommand();
