#include "mail/MailOptions.h"

namespace nmail {

MailOptions& options()
{
    static MailOptions instance;
    return instance;
}

}  // namespace nmail
