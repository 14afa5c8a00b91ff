#include "internet/pageexists.h"

#include "internet/curltransfer.h"
#include "internet/normalizeaddress.h"

bool PageExists(const QString& address, const std::atomic<bool>* cancelled)
{
    CurlTransfer request(NormalizeAddress(address), "Ekowarta");
    if (!request.isValid())
        return false;
    if (cancelled)
        request.setCancelFlag(cancelled);
    request.stopAfterHeaders();
    if (request.perform() != TransferFailure::None)
        return false;
    const int code = request.responseCode();
    return code == 200 || code == 401; // a page behind a login exists too
}
