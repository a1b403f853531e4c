#include "app/toy_status.h"

#include "platform/toy_library.h"

#include <QCoreApplication>

ToyStatus::ToyStatus(Doctor doctor)
    : m_doctor(doctor ? std::move(doctor) : Doctor([] { return DiagnoseToy(); }))
{
}

bool ToyStatus::afterTick(platform::ToyLibrary* library, bool connected, bool refusedToy)
{
    const QString before = m_line;
    if (!library || !library->onHidraw() || connected) {
        m_line.clear();
        m_diagnosis.reset();
        m_connected = connected;
        m_known = false; // the next loss of the toy looks again
        return m_line != before;
    }
    const unsigned long changes = library->deviceChanges();
    const bool due = !m_known || m_connected || changes != m_changes || refusedToy;
    m_connected = false;
    m_changes = changes;
    if (!due)
        return false;
    m_known = true;
    ++m_diagnoses;
    m_diagnosis = m_doctor();
    m_line = lineFor(*m_diagnosis);
    return m_line != before;
}

QString ToyStatus::lineFor(const ToyDiagnosis& diagnosis)
{
    if (diagnosis.usable)
        return {};
    return QCoreApplication::translate("ToyStatus", "Toy not connected: ") + QString::fromStdString(diagnosis.shortVerdict);
}

QString ToyStatus::statusPart(bool connected, const std::optional<ToyDiagnosis>& diagnosis)
{
    if (connected)
        return QStringLiteral("toy: connected");
    if (!diagnosis)
        return QStringLiteral("toy: not connected");
    return QStringLiteral("toy: not connected (") + QString::fromStdString(diagnosis->shortVerdict)
        + QLatin1Char(')');
}
