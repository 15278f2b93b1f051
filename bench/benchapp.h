#pragma once
// The offscreen widget application the window benchmarks run in: a data
// folder of their own (removed at the end), or one given that outlives the
// process (for benchmarks that run each measurement in a fresh process),
// and dialogs that answer nothing.

#include "platform/dialogs.h"

#include <QApplication>
#include <QTemporaryDir>

namespace batchbench {

// Set before the application exists, which reads it.
struct OffscreenPlatform
{
    OffscreenPlatform() { qputenv("QT_QPA_PLATFORM", "offscreen"); }
};

class BenchApp : private OffscreenPlatform
{
public:
    BenchApp(int &argc, char **argv, const QString &dataDir = {})
        : m_app(argc, argv)
    {
        qputenv("WAYBILL_DATA_DIR", (dataDir.isEmpty() ? m_dir.path() : dataDir).toUtf8());
        setDialogs(&m_quiet);
    }
    BenchApp(const BenchApp &) = delete;
    BenchApp &operator=(const BenchApp &) = delete;

    const QTemporaryDir &dir() const { return m_dir; }

private:
    QApplication m_app;
    QTemporaryDir m_dir;
    ScriptedDialogs m_quiet;
};

} // namespace batchbench
