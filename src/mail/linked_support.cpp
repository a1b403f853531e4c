// Links the mail support into a test program instead of loading the module.
#include "mail/support_table.h"

namespace {

[[maybe_unused]] const bool linked = [] {
    mail::setSupport(&mail::SupportTable());
    return true;
}();

} // namespace
