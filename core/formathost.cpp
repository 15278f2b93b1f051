#include "core/formathost.h"

namespace {
FormatHostState g_defaultHost;
FormatHost *g_host = nullptr;
} // namespace

FormatHost &formatHost()
{
    return g_host ? *g_host : g_defaultHost;
}

void SetFormatHost(FormatHost *host)
{
    g_host = host;
}
