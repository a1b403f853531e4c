#include "platform/guarded.h"

#include "platform/errors.h"
#include "platform/messages.h"

#include <QCoreApplication>
#include <QString>
#include <new>
#include <stdexcept>

namespace platform {
namespace {

void report(QWidget* parent, const char* text)
{
    // The fixed texts are translated; a text that carries a file name arrives translated.
    messages().show(parent, applicationCaption(), QCoreApplication::translate("Errors", text), Messages::Icon::Exclamation,
        Messages::Buttons::Ok);
}

} // namespace

bool runGuarded(QWidget* parent, const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const FileError& e) {
        report(parent, e.what());
    } catch (const InvalidArgumentError& e) {
        report(parent, e.what());
    } catch (const std::out_of_range&) {
        // An index past the end of a string: the same report as the framework's.
        report(parent, InvalidArgumentError().what());
    } catch (const std::invalid_argument&) {
        report(parent, InvalidArgumentError().what());
    } catch (const std::bad_alloc&) {
        report(parent, QT_TRANSLATE_NOOP("Errors", "Out of memory."));
    } catch (...) {
        // Nothing may unwind into Qt's event loop.
        report(parent, QT_TRANSLATE_NOOP("Errors", "An unexpected error occurred."));
    }
    return false;
}

} // namespace platform
