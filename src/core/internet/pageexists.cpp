#include "internet/pageexists.h"

#include "internet/curltransfer.h"
#include "internet/normalizeaddress.h"

bool PageExists(const QString& address)
{
    CurlTransfer request(NormalizeAddress(address), "Ekowarta");
    if (!request.isValid())
        return false;
    request.stopAfterHeaders();
    if (request.perform() != TransferFailure::None)
        return false;
    const int code = request.responseCode();
    return code == 200 || code == 401; // a page behind a login exists too
}
