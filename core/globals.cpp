#include "core/globals.h"

QString DialogResult;
qint32 MapClickRow = 0;
qint32 MapClickCol = 0;
QString LineBreakMarker;
StartupRecord TheStartupRecord;

namespace {
HookSlot<std::function<qint32(int)>> g_ctlCount;
}

HookHandle InstallCtlCountProvider(std::function<qint32(int)> provider)
{
    return g_ctlCount.Install(std::move(provider));
}

qint32 FirstCtlID(int ctlClass)
{
    return ctlClass * 1000 + 1;
}

qint32 LastCtlID(int ctlClass)
{
    const auto *count = g_ctlCount.CurrentPtr();
    const qint32 n = count && *count ? (*count)(ctlClass) : 0;
    return ctlClass * 1000 + (n > 0 ? n : 0);
}
