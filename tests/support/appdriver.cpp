// A Qt generic plug-in that drives the real program in tests: loaded through
// QT_QPA_GENERIC_PLUGINS=waybilldriver:<action>, it waits for the main
// window, triggers the menu action of that object name (which opens a
// chooser and waits for it) and, while the chooser is open, closes the main
// window under it. It writes what it did to standard error.
// The action "record" instead writes the text of every message box
// ("driver: message ...") and answers it, and closes the main window once it
// is shown; "hold" only reports the main window and leaves it open.

#include <QAction>
#include <QApplication>
#include <QGenericPlugin>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

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
    explicit Driver(const QString &action)
        : m_action(action)
    {
        if (action == QLatin1String("record") || action == QLatin1String("hold")) {
            auto *poll = new QTimer(this);
            connect(poll, &QTimer::timeout, this, [this] { Record(); });
            poll->start(100);
            return;
        }
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this, poll] {
            QMainWindow *m = mainWindow();
            QAction *a = m ? m->findChild<QAction *>(m_action) : nullptr;
            if (!a)
                return;
            poll->stop();
            QPointer<QMainWindow> target(m);
            QTimer::singleShot(500, this, [target] {
                int others = 0;
                for (QWidget *w : QApplication::topLevelWidgets())
                    if (w != target && w->isVisible() && w->isWindow())
                        ++others;
                std::fprintf(stderr, "driver: choosers open %d\n", others);
                if (target)
                    target->close();
                std::fprintf(stderr, "driver: main window closed\n");
            });
            std::fprintf(stderr, "driver: triggering %s\n", qPrintable(m_action));
            a->trigger();
            std::fprintf(stderr, "driver: action returned\n");
        });
        poll->start(100);
    }

private:
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
        if (m_action == QLatin1String("record"))
            QTimer::singleShot(200, m, &QWidget::close);
    }

    QString m_action;
    bool m_shown = false;
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
