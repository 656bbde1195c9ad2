#include "mail/NMailSession.h"

#include <curl/curl.h>

namespace nmail {

int NMailInitializeWinSock()
{
    return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK ? 0 : -1;
}

int NMailSetOption(int option, int value)
{
    return option == 1 && value > 0 ? 0 : -1;
}

int NMailEndWinSock()
{
    curl_global_cleanup();
    return 0;
}

}  // namespace nmail
