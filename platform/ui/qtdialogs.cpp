#include "platform/ui/qtdialogs.h"

#include "platform/ui/fontdialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QSpacerItem>
#include <QStyle>
#include <QTranslator>

namespace {

// The active window, unless it is one that its work closes: then the
// window that one stands in front of.
QWidget *owner()
{
    QWidget *w = QApplication::activeWindow();
    if (w && w->property(kNoDialogOwner).toBool())
        return w->parentWidget() ? w->parentWidget()->window() : nullptr;
    return w;
}

QString titleOrDefault(const QString &title)
{
    if (!title.isEmpty())
        return title;
    const QString name = QGuiApplication::applicationDisplayName();
    return name.isEmpty() ? QCoreApplication::applicationName() : name;
}

// A message box or prompt is held by its layout to the layout's own size,
// which cuts a longer title short: a spacer keeps it as wide as its title
// bar needs.
void fitTitle(QWidget &w)
{
    QLayout *l = w.layout();
    if (!l)
        return;
    auto *spacer = new QSpacerItem(TitleBarWidth(w.windowTitle()), 0, QSizePolicy::Minimum,
                                   QSizePolicy::Fixed);
    if (auto *grid = qobject_cast<QGridLayout *>(l))
        grid->addItem(spacer, grid->rowCount(), 0, 1, grid->columnCount());
    else
        l->addItem(spacer);
}

} // namespace

QString TitleBarText(const QString &title)
{
    // Without a display name of its own the program's name stands in for
    // it, and nothing is added.
    const QString name = QGuiApplication::applicationDisplayName();
    if (name.isEmpty() || name == QCoreApplication::applicationName() || title.endsWith(name))
        return title;
    return title.isEmpty() ? name : title + QStringLiteral(" \u2014 ") + name;
}

int TitleBarWidth(const QString &title)
{
    const int bar = std::max(QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight), 24);
    return QFontMetrics(QApplication::font()).horizontalAdvance(TitleBarText(title)) + 4 * bar
        + 24;
}

void KeepTitleWhole(QWidget *w, int minWidth)
{
    if (!w)
        return;
    const int need = std::max(minWidth, TitleBarWidth(w->windowTitle()));
    if (w->minimumWidth() < need)
        w->setMinimumWidth(need);
    if (w->width() < need)
        w->resize(need, w->height());
}

QString QtFileFilter(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        patterns = patterns.simplified();
        QString name = parts[i];
        const qsizetype open = name.lastIndexOf(u'(');
        if (name.endsWith(u')') && open >= 0) {
            QString shown = name.mid(open + 1, name.size() - open - 2);
            shown.replace(u';', u' ');
            if (shown.simplified() == patterns) {
                // Qt reads the patterns from the brackets: spaces between them.
                out << name.left(open) + u'(' + patterns + u')';
                continue;
            }
        }
        out << name + QStringLiteral(" (") + patterns + u')';
    }
    if (parts.size() % 2 == 1 && !parts.last().isEmpty())
        out << parts.last();
    return out.join(QStringLiteral(";;"));
}

void QtDialogs::Message(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, titleOrDefault(title), text, QMessageBox::Ok, owner());
    fitTitle(box);
    box.exec();
}

// The program's questions are plain Yes/No boxes without an icon.
bool QtDialogs::AskYesNo(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, titleOrDefault(title), text,
                    QMessageBox::Yes | QMessageBox::No, owner());
    box.setDefaultButton(QMessageBox::Yes);
    fitTitle(box);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtDialogs::Input(const QString &prompt, const QString &title,
                                        const QString &preset)
{
    QInputDialog d(owner());
    d.setWindowTitle(titleOrDefault(title));
    d.setLabelText(prompt);
    d.setTextValue(preset);
    d.minimumSizeHint(); // builds its layout
    fitTitle(d);
    if (d.exec() != QDialog::Accepted)
        return std::nullopt;
    return d.textValue();
}

QString QtDialogs::OpenFile(const QString &filter, const QString &defaultName)
{
    return QFileDialog::getOpenFileName(owner(), QString(), defaultName, QtFileFilter(filter));
}

QString QtDialogs::SaveFile(const QString &filter, const QString &defaultName)
{
    return QFileDialog::getSaveFileName(owner(), QString(), defaultName, QtFileFilter(filter),
                                        nullptr, QFileDialog::DontConfirmOverwrite);
}

bool QtDialogs::ChooseFont(QFont &font, QColor &color)
{
    return FontDialog::Choose(font, color, owner());
}

bool QtDialogs::ChooseColor(QColor &color)
{
    const QColor chosen = QColorDialog::getColor(color, owner());
    if (!chosen.isValid())
        return false;
    color = chosen;
    return true;
}

int QtDialogs::PopupMenu(const QStringList &items, const QPoint &globalPos,
                         const QList<int> &disabled)
{
    QMenu menu(owner());
    QList<QAction *> actions;
    for (const QString &item : items) {
        if (item == QLatin1String("-"))
            actions << menu.addSeparator();
        else
            actions << menu.addAction(item);
        actions.back()->setEnabled(!disabled.contains(int(actions.size() - 1)));
    }
    QAction *chosen = menu.exec(globalPos);
    return chosen ? int(actions.indexOf(chosen)) : -1;
}

bool InstallQtTranslations()
{
    bool any = false;
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char *name : {"qtbase_zh_CN", "qt_zh_CN"}) {
        auto *t = new QTranslator(QCoreApplication::instance());
        if (t->load(QString::fromLatin1(name), dir)) {
            QCoreApplication::installTranslator(t);
            any = true;
        } else {
            delete t;
        }
    }
    return any;
}
