#include "core/ui/startupui.h"

#include "core/startup.h"
#include "core/ui/passwordwindows.h"

#include <QMainWindow>

namespace {

std::function<QWidget *()> g_factory;

QWidget *placeholderMainWindow()
{
    auto *w = new QMainWindow;
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->setWindowTitle(MainCaption());
    w->resize(800, 600);
    return w;
}

} // namespace

void SetMainWindowFactory(std::function<QWidget *()> factory)
{
    g_factory = std::move(factory);
}

QWidget *ShowMainWindow()
{
    QWidget *w = g_factory ? g_factory() : placeholderMainWindow();
    if (w)
        w->show();
    return w;
}

QWidget *OpenFirstWindow()
{
    if (SoftwarePassword().isEmpty())
        return ShowMainWindow();
    auto *prompt = new PSDCon;
    prompt->show();
    return prompt;
}
