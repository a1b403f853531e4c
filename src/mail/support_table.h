#pragma once

#include "mail/mail_support.h"

namespace mail {

// The mail support's table, as the module hands it out and tests link it in.
const Support& SupportTable();

} // namespace mail
