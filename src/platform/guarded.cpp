#include "platform/guarded.h"

#include "platform/errors.h"
#include "platform/messages.h"

#include <QCoreApplication>
#include <QString>
#include <new>
#include <stdexcept>

namespace platform {

bool runGuarded(QWidget* parent, const std::function<void()>& handler)
{
    return runGuardedWith(
        [parent](const QString& text) {
            messages().show(parent, applicationCaption(), text, Messages::Icon::Exclamation, Messages::Buttons::Ok);
        },
        handler);
}

bool runGuardedWith(const std::function<void(const QString&)>& reportText, const std::function<void()>& handler)
{
    const auto report = [&reportText](const char* text) { reportText(QString::fromLocal8Bit(text)); };
    try {
        handler();
        return true;
    } catch (const FileError& e) {
        report(e.what());
    } catch (const InvalidArgumentError& e) {
        report(e.what());
    } catch (const std::out_of_range&) {
        // An index past the end of a string: the same report as the framework's.
        report(InvalidArgumentError().what());
    } catch (const std::invalid_argument&) {
        report(InvalidArgumentError().what());
    } catch (const std::bad_alloc&) {
        reportText(QCoreApplication::translate("Errors", QT_TRANSLATE_NOOP("Errors", "Out of memory.")));
    } catch (...) {
        // Nothing may unwind into Qt's event loop.
        reportText(QCoreApplication::translate("Errors", QT_TRANSLATE_NOOP("Errors", "An unexpected error occurred.")));
    }
    return false;
}

} // namespace platform
