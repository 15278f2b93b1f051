#pragma once
// What the benchmark programs share in plain Qt (so that the bare floor
// program links none of the engine): the peak memory of the process and the
// records of the batch benchmarks.

#include <QFile>
#include <QString>
#include <array>

namespace batchbench {

// Peak resident memory of this process (VmHWM) in MB; 0 when unknown.
inline double PeakRssMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// Record r's seven texts in the order of the batch format's controls (name,
// address that wraps, sender, sender's address that wraps, goods, Code 39
// text, EAN-13 digits).
inline std::array<QString, 7> RecordTexts(qint32 r)
{
    static const QString towns[] = {QStringLiteral("浙江省杭州市西湖区文三路"),
                                    QStringLiteral("广东省深圳市南山区科技园南区"),
                                    QStringLiteral("江苏省南京市鼓楼区中山北路")};
    return {QStringLiteral("张三%1").arg(r),
            towns[r % 3] + QStringLiteral("%1号创业大厦%2室").arg(r % 900).arg(r),
            QStringLiteral("李四网店"),
            towns[(r + 1) % 3] + QStringLiteral("88号仓储中心二楼"),
            QStringLiteral("衣服%1件").arg(r % 5 + 1),
            QStringLiteral("%1-SF").arg(1000000 + r),
            QString::number(690000000000LL + r)};
}

} // namespace batchbench
