#include "core/globals.h"

QString DialogResult;
qint32 MapClickRow = 0;
qint32 MapClickCol = 0;
QString LineBreakMarker;
StartupRecord TheStartupRecord;

namespace {
std::function<qint32(int)> g_ctlCount;
}

void SetCtlCountProvider(std::function<qint32(int)> provider)
{
    g_ctlCount = std::move(provider);
}

qint32 FirstCtlID(int ctlClass)
{
    return ctlClass * 1000 + 1;
}

qint32 LastCtlID(int ctlClass)
{
    const qint32 n = g_ctlCount ? g_ctlCount(ctlClass) : 0;
    return ctlClass * 1000 + (n > 0 ? n : 0);
}
