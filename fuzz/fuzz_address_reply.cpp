// The reply of the order-address service.
#include "fuzzmain.h"
#include "online/pagehelpers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList values = ParseAddressReply(FuzzText(data, size));
    if (size == 0 && !values.isEmpty())
        __builtin_trap();
    SellerNickFromPage(FuzzText(data, size));
    return 0;
}
