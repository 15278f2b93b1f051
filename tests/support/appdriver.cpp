// A Qt generic plug-in that drives the real program in tests: loaded through
// QT_QPA_GENERIC_PLUGINS=waybilldriver:<action>[+<action>...], it waits for
// the main window, triggers the menu action of that object name (which opens
// a chooser or dialog and waits for it), half a second later the next one
// over it, and, while they are all open, names each open window's combo box
// choices ("driver: combo <name> <text>") and closes the main window under
// them. It writes what it did to standard error.
// The action "record" instead writes the text of every message box
// ("driver: message ...") and answers it, and closes the main window once it
// is shown; "hold" only reports the main window and leaves it open;
// "record:<action>" records messages too, and once the main window is shown
// waits for a line on standard input, triggers that menu action (none when
// empty), reports "driver: action done" and closes the main window,
// answering Yes to a question.
// "importformat" records messages too, answering Yes to questions; once the
// main window is shown it triggers 导入格式, chooses the file named by
// WAYBILL_DRIVER_FILE in its file dialog, leaves the message "每类内容框…"
// up until the automatic import's timer has run out, reports the record
// grid's rows after each answer ("driver: records N"), and once records are
// there, no question or progress window is open and the main window takes
// input again, reports the rows and "driver: main window enabled" and
// closes it.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFileDialog>
#include <QGenericPlugin>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

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
        m_importFormat = spec == QLatin1String("importformat");
        if (spec.startsWith(QLatin1String("record:"))) {
            m_onLine = spec.mid(7);
            m_waitForLine = true;
        }
        if (spec == QLatin1String("record") || spec == QLatin1String("hold") || m_waitForLine
            || m_importFormat) {
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
                if (w != target && w->isVisible() && w->isWindow()) {
                    ++others;
                    for (const QComboBox *c : w->findChildren<QComboBox *>())
                        std::fprintf(stderr, "driver: combo %s %s\n", qPrintable(c->objectName()),
                                     qPrintable(c->currentText()));
                }
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
        QMainWindow *m = mainWindow();
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                QString text = box->text();
                if (m_importFormat && text.startsWith(QStringLiteral("每类内容框")) && m
                    && m->findChild<QTimer *>(QStringLiteral("autoImportTimer"))->isActive())
                    continue;
                text.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(u'\n', u' ');
                std::fprintf(stderr, "driver: message %s\n", qPrintable(text));
                // After an action, a question (closing after a failed save)
                // is answered Yes, so that the window closes.
                QAbstractButton *yes = box->button(QMessageBox::Yes);
                if (yes && (m_waitForLine || m_importFormat))
                    yes->click();
                else
                    box->accept();
                if (m_importFormat)
                    std::fprintf(stderr, "driver: records %d\n", Records(m));
            }
        if (m_importFormat && m_shown)
            ImportFormatStep(m);
        if (!m || m_shown)
            return;
        m_shown = true;
        std::fprintf(stderr, "driver: main window shown\n");
        if (m_importFormat)
            QTimer::singleShot(0, m, [m] {
                m->activateWindow();
                QApplication::setActiveWindow(m);
                m->findChild<QAction *>(QStringLiteral("mInputFormat"))->trigger();
            });
        if (m_waitForLine) {
            auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
            connect(input, &QSocketNotifier::activated, this, [this, input] {
                char c = 0;
                if (::read(STDIN_FILENO, &c, 1) == 1 && c != '\n')
                    return;
                input->setEnabled(false);
                QMainWindow *w = mainWindow();
                if (QAction *a = w && !m_onLine.isEmpty() ? w->findChild<QAction *>(m_onLine)
                                                          : nullptr)
                    a->trigger();
                std::fprintf(stderr, "driver: action done\n");
                if (w)
                    w->close();
            });
        }
        if (m_actions.value(0) == QLatin1String("record"))
            QTimer::singleShot(200, m, &QWidget::close);
    }

    static int Records(QMainWindow *m)
    {
        const auto *view = m ? m->findChild<QAbstractItemView *>(QStringLiteral("MSF1")) : nullptr;
        return view && view->model() ? view->model()->rowCount() : -1;
    }

    void ImportFormatStep(QMainWindow *m)
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *files = qobject_cast<QFileDialog *>(w); files && files->isVisible()) {
                files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
                    ->setText(qEnvironmentVariable("WAYBILL_DRIVER_FILE"));
                static_cast<QDialog *>(files)->accept(); // its own accept is protected
                return;
            }
        if (!m || m_closing || Records(m) <= 0 || QApplication::activeModalWidget())
            return;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == QStringLiteral("进度指示器"))
                return;
        m_closing = true;
        std::fprintf(stderr, "driver: records %d\n", Records(m));
        std::fprintf(stderr, "driver: main window enabled\n");
        m->close();
    }

    bool m_shown = false;
    bool m_importFormat = false;
    bool m_closing = false;
    bool m_waitForLine = false;
    QString m_onLine;
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
