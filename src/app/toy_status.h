#pragma once

#include "device/toy_doctor.h"

#include <QString>
#include <functional>
#include <optional>

namespace platform {
class ToyLibrary;
}

// The toy's line in the tooltips, the status and the menu: the doctor's short verdict
// while the toy is not connected. The doctor reads dozens of files, so after a tick it
// runs only when something about the toy changed: the first tick, a lost connection, a
// device arriving, leaving or changing, a toy that was seen but refused.
class ToyStatus {
public:
    using Doctor = std::function<ToyDiagnosis()>;
    explicit ToyStatus(Doctor doctor = {});

    // After each main tick; true when the line changed.
    bool afterTick(platform::ToyLibrary* library, bool connected, bool refusedToy);
    // The diagnosis the last tick kept, for a request (status, menu): no fresh scan of
    // /proc per request. nullopt while connected, before the first look, or when the toy
    // is not on hidraw (virtual, none).
    const std::optional<ToyDiagnosis>& diagnosis() const { return m_diagnosis; }

    // "Toy not connected: <short verdict>", empty while connected or usable.
    const QString& line() const { return m_line; }
    int diagnoses() const { return m_diagnoses; }
    void setDoctor(Doctor doctor) { m_doctor = std::move(doctor); }
    // The next tick looks again (the rule was just installed).
    void forget() { m_known = false; }

    // "toy: connected" or "toy: not connected (<short verdict>)".
    static QString statusPart(bool connected, const std::optional<ToyDiagnosis>& diagnosis);
    static QString lineFor(const ToyDiagnosis& diagnosis);

private:
    Doctor m_doctor;
    QString m_line;
    std::optional<ToyDiagnosis> m_diagnosis;
    bool m_known = false;
    bool m_connected = false;
    unsigned long m_changes = 0;
    int m_diagnoses = 0;
};
