#include "printing/printerchoice.h"

#include "core/settings.h"
#include "printing/printer.h"

namespace {

QString g_current;
bool g_currentSet = false;
QString (*g_defaultProvider)() = nullptr;

} // namespace

PrinterList BuildPrinterList(const QStringList &installed, const QString &current,
                             const QString &remembered)
{
    PrinterList out;
    out.names = installed;
    out.names.append(PdfPrinterName());
    if (!remembered.isEmpty() && installed.contains(remembered))
        out.selected = remembered;
    else if (out.names.contains(current))
        out.selected = current;
    else
        out.selected = out.names.first();
    return out;
}

QString RememberedPrinter()
{
    return GetRegSetting(QStringLiteral("PQT_V"), QStringLiteral("Validate"),
                         QStringLiteral("Printer"), QString());
}

void RememberPrinter(const QString &name)
{
    SaveRegSetting(QStringLiteral("PQT_V"), QStringLiteral("Validate"), QStringLiteral("Printer"),
                   name);
}

QString CurrentPrinterName()
{
    if (!g_currentSet && g_defaultProvider)
        return g_defaultProvider();
    return g_current;
}

void SetCurrentPrinterName(const QString &name)
{
    g_current = name;
    g_currentSet = true;
}

void SetDefaultPrinterProvider(QString (*provider)())
{
    g_defaultProvider = provider;
}

QString NoPrinterMessage()
{
    return QStringLiteral("没有正常连接打印机！");
}
