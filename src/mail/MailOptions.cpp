#include "mail/MailOptions.h"

namespace nmail {

MailOptions& options()
{
    static MailOptions instance;
    return instance;
}

ConnectionSettings connectionSettings()
{
    const MailOptions& o = options();
    return {o.timeout, o.caFile, o.trustFile, o.securityFile, o.rateWindow, o.rateFloorBytes};
}

}  // namespace nmail
