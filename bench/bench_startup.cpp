// The database part of the program's start over a large DATA.db: 200,000
// printed records of seven filled controls each in table 历史 (1.4 million
// rows), written through the history writer. Prints the file's size and the
// time of opening it as a start does (keying, the schema look-up and, unless
// the file is as the program left it at its last end, the pages' check),
// three times each after an end that noted the file and after one that did
// not (a crash), over a warm page cache.
//
// Usage: bench_startup [folder]. With a folder, a DATA.db already there is
// reused (its making takes a while) and a new one is left there.

#include "bench/benchsupport.h"
#include "core/apppaths.h"
#include "core/database.h"
#include "platform/dialogs.h"
#include "records/history.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRecords = 200000;
constexpr int kBatch = 10000;

bool MakeHistory()
{
    const QString name = QStringLiteral("基准格式");
    for (int first = 0; first < kRecords; first += kBatch) {
        std::vector<rec::PrintedPage> pages;
        pages.reserve(kBatch);
        for (int r = first; r < first + kBatch; ++r) {
            const auto texts = batchbench::RecordTexts(r);
            rec::PrintedPage page;
            for (int c = 0; c < int(texts.size()); ++c)
                page.push_back({c + 1, texts[c]});
            pages.push_back(std::move(page));
        }
        if (!rec::AppendHistoryRecords(name, pages))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    qputenv(paths::kDataDirVariable, dir.toUtf8());
    ScriptedDialogs quiet;
    setDialogs(&quiet);

    if (!QFileInfo::exists(db::DatabasePath())) {
        QElapsedTimer make;
        make.start();
        if (db::OpenAtStart() != db::StartState::Opened || !MakeHistory()) {
            std::fprintf(stderr, "could not make the database\n");
            return 1;
        }
        std::printf("made %d records in %.1f s\n", kRecords, make.elapsed() / 1000.0);
    }
    db::CloseConnection();
    std::printf("DATA.db: %.1f MB\n", QFileInfo(db::DatabasePath()).size() / 1048576.0);

    for (const bool noted : {false, true}) {
        std::vector<double> times;
        for (int run = 0; run < 3; ++run) {
            QFile::remove(db::DatabasePath() + QStringLiteral(".checked"));
            if (noted) {
                if (db::OpenAtStart() != db::StartState::Opened)
                    return 1;
                db::CloseAtEnd();
            }
            QElapsedTimer t;
            t.start();
            const bool opened = db::OpenAtStart() == db::StartState::Opened;
            times.push_back(t.nsecsElapsed() / 1e6);
            db::CloseConnection();
            if (!opened) {
                std::fprintf(stderr, "the start refused the database\n");
                return 1;
            }
        }
        std::printf("start after %s: %.0f / %.0f / %.0f ms, best %.0f ms\n",
                    noted ? "a noted end" : "a crash", times[0], times[1], times[2],
                    *std::min_element(times.begin(), times.end()));
    }
    setDialogs(nullptr);
    return 0;
}
