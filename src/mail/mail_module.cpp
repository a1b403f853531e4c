// The loadable module's entry (quillby-mail.so).
#include "mail/support_table.h"

extern "C" __attribute__((visibility("default"))) const mail::Support* quillby_mail_support(int version)
{
    return version == mail::kSupportVersion ? &mail::SupportTable() : nullptr;
}
