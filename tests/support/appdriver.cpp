// A Qt generic plug-in that drives the real program in tests: loaded through
// QT_QPA_GENERIC_PLUGINS=waybilldriver:<action>[+<action>...], it waits for
// the main window, triggers the menu action of that object name (which opens
// a chooser or dialog and waits for it), half a second later the next one
// over it, and, while they are all open, closes the main window under them.
// It writes what it did to standard error.
// The action "record" instead writes the text of every message box
// ("driver: message ...") and answers it, and closes the main window once it
// is shown; "hold" only reports the main window and leaves it open.
// The action "work=<ms>:<step>;<step>...[:<caption>]" waits <ms> after the
// main window shows and while it is enabled, runs the steps one after the other (a menu
// action's or a button's object name, or "tab<n>"), answering the batch
// range, the printer chooser ("PDF 文件"), file dialogs (a file in
// WAYBILL_DRIVER_DIR) and message boxes meanwhile. The main window is closed
// as its title bar closes it (a close event for its window, from the event
// queue) once the progress window shows <caption>, or just before a step
// written "!<step>" starts.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGenericPlugin>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

#include <cstdio>

namespace {

QMainWindow *mainWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *m = qobject_cast<QMainWindow *>(w); m && m->isVisible())
            return m;
    return nullptr;
}

class Driver : public QObject
{
public:
    explicit Driver(const QString &spec)
        : m_actions(spec.split(QLatin1Char('+'), Qt::SkipEmptyParts))
    {
        if (spec.startsWith(QLatin1String("work="))) {
            const QStringList parts = spec.mid(5).split(QLatin1Char(':'));
            m_delay = parts.value(0).toInt();
            m_steps = parts.value(1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
            m_closeCaption = parts.value(2);
            auto *poll = new QTimer(this);
            connect(poll, &QTimer::timeout, this, [this] { Work(); });
            poll->start(10);
            return;
        }
        if (spec == QLatin1String("record") || spec == QLatin1String("hold")) {
            auto *poll = new QTimer(this);
            connect(poll, &QTimer::timeout, this, [this] { Record(); });
            poll->start(100);
            return;
        }
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this, poll] {
            QMainWindow *m = mainWindow();
            if (!m || m_actions.isEmpty() || !m->findChild<QAction *>(m_actions.front()))
                return;
            poll->stop();
            // As under a window system: the main window is the active one,
            // so the dialogs it opens are its children.
            m->activateWindow();
            QApplication::setActiveWindow(m);
            Trigger(m, 0);
        });
        poll->start(100);
    }

private:
    // Each action blocks in its chooser's wait; the next step runs from a
    // timer inside that wait.
    void Trigger(QMainWindow *m, int i)
    {
        QPointer<QMainWindow> target(m);
        QTimer::singleShot(500, this, [this, target, i] {
            if (i + 1 < m_actions.size()) {
                if (target)
                    Trigger(target, i + 1);
                return;
            }
            int others = 0;
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w != target && w->isVisible() && w->isWindow())
                    ++others;
            std::fprintf(stderr, "driver: choosers open %d\n", others);
            if (target)
                target->close();
            std::fprintf(stderr, "driver: main window closed\n");
        });
        QAction *a = m->findChild<QAction *>(m_actions.at(i));
        std::fprintf(stderr, "driver: triggering %s\n", qPrintable(m_actions.at(i)));
        if (a)
            a->trigger();
        std::fprintf(stderr, "driver: action returned\n");
    }

    QStringList m_actions;

    void Record()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                QString text = box->text();
                text.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(u'\n', u' ');
                std::fprintf(stderr, "driver: message %s\n", qPrintable(text));
                box->accept();
            }
        QMainWindow *m = mainWindow();
        if (!m || m_shown)
            return;
        m_shown = true;
        std::fprintf(stderr, "driver: main window shown\n");
        if (m_actions.value(0) == QLatin1String("record"))
            QTimer::singleShot(200, m, &QWidget::close);
    }

    bool m_shown = false;

    // ---- work=
    void Work()
    {
        AnswerWindows();
        QMainWindow *m = mainWindow();
        if (!m)
            return;
        if (!m_since.isValid()) {
            m_since.start();
            std::fprintf(stderr, "driver: main window shown\n");
        }
        if (!m_closeCaption.isEmpty() && !m_closed && ProgressCaption().contains(m_closeCaption))
            CloseAsTitleBar(m, ProgressCaption());
        // A step waits for the one before and for the import (which disables
        // the main window while its window is open).
        if (m_inStep || m_steps.isEmpty() || m_since.elapsed() < m_delay || !m->isEnabled()
            || !ProgressCaption().isNull())
            return;
        QString step = m_steps.takeFirst();
        if (step.startsWith(u'!')) {
            step.remove(0, 1);
            CloseAsTitleBar(m, QStringLiteral("step ") + step);
        }
        std::fprintf(stderr, "driver: step %s\n", qPrintable(step));
        m_inStep = true;
        // From a timer of its own: this one must go on answering meanwhile.
        QTimer::singleShot(0, this, [this, m, step] { RunStep(m, step); });
    }

    void RunStep(QPointer<QMainWindow> m, const QString &step)
    {
        if (!m)
            return;
        if (step.startsWith(QLatin1String("tab"))) {
            if (auto *tabs = m->findChild<QTabWidget *>(QStringLiteral("SST")))
                tabs->setCurrentIndex(step.mid(3).toInt());
        } else if (QAction *a = m->findChild<QAction *>(step)) {
            a->trigger();
        } else if (auto *b = m->findChild<QAbstractButton *>(step)) {
            b->click();
        }
        m_inStep = false;
        std::fprintf(stderr, "driver: step %s returned\n", qPrintable(step));
    }

    void CloseAsTitleBar(QMainWindow *m, const QString &when)
    {
        m_closed = true;
        std::fprintf(stderr, "driver: closing the main window during %s\n", qPrintable(when));
        if (QWindow *w = m->windowHandle())
            QCoreApplication::postEvent(w, new QCloseEvent);
    }

    // The caption of the shown progress window; null when none shows.
    static QString ProgressCaption()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == QStringLiteral("进度指示器"))
                for (QLabel *l : w->findChildren<QLabel *>())
                    if (l->objectName().isEmpty() && !l->text().isEmpty()
                        && !l->text().endsWith(u'%'))
                        return l->text();
        return QString();
    }

    void AnswerWindows()
    {
        const QString dir = qEnvironmentVariable("WAYBILL_DRIVER_DIR");
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (!w->isVisible())
                continue;
            if (auto *box = qobject_cast<QMessageBox *>(w)) {
                std::fprintf(stderr, "driver: message %s\n", qPrintable(box->text()));
                box->accept();
            } else if (auto *fd = qobject_cast<QFileDialog *>(w)) {
                const bool pdf = fd->nameFilters().join(u' ').contains(QLatin1String("pdf"));
                const QString file = QDir(dir).filePath(pdf ? QStringLiteral("out.pdf")
                                                            : QStringLiteral("out.csv"));
                std::fprintf(stderr, "driver: file %s\n", qPrintable(file));
                fd->selectFile(file);
                QMetaObject::invokeMethod(fd, "accept");
            } else if (w->windowTitle() == QStringLiteral("批量打印起止页设置")
                       || w->windowTitle() == QStringLiteral("选择")) {
                if (auto *combo = w->findChild<QComboBox *>(QStringLiteral("COMB")))
                    combo->setCurrentText(QStringLiteral("PDF 文件"));
                const auto buttons = w->findChildren<QPushButton *>();
                if (!buttons.isEmpty()) {
                    std::fprintf(stderr, "driver: answering %s\n", qPrintable(w->windowTitle()));
                    buttons.first()->click();
                }
            }
        }
    }

    int m_delay = 0;
    QStringList m_steps;
    QString m_closeCaption;
    QElapsedTimer m_since;
    bool m_inStep = false, m_closed = false;
};

class DriverPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "appdriver.json")
public:
    QObject *create(const QString &key, const QString &spec) override
    {
        if (key.compare(QLatin1String("waybilldriver"), Qt::CaseInsensitive) != 0)
            return nullptr;
        return new Driver(spec);
    }
};

} // namespace

#include "appdriver.moc"
