#include "platform/dialogs.h"

#include "platform/fontmap.h"
#include "platform/numtext.h"

namespace {
Dialogs *g_installed = nullptr;
ScriptedDialogs &fallback()
{
    static ScriptedDialogs d;
    return d;
}
} // namespace

Dialogs &dialogs()
{
    return g_installed ? *g_installed : fallback();
}

void setDialogs(Dialogs *d)
{
    g_installed = d;
}

bool ChooseStoredFont(FontSpec &spec, qint32 &color)
{
    QFont f = fontmap::DialogFont(spec);
    QColor c = num::ColorFromBgr(color);
    if (!dialogs().ChooseFont(f, c))
        return false;
    spec = fontmap::FromDialogFont(f);
    color = num::BgrFromColor(c);
    return true;
}

QStringList ScriptedDialogs::messages() const
{
    QStringList out;
    for (const auto &s : m_shown)
        out << s.text;
    return out;
}

std::optional<ScriptedDialogs::Answer> ScriptedDialogs::next()
{
    if (m_answers.empty())
        return std::nullopt;
    Answer a = std::move(m_answers.front());
    m_answers.pop_front();
    return a;
}

void ScriptedDialogs::Message(const QString &text, const QString &title)
{
    m_shown.push_back({QStringLiteral("message"), text, title});
}

bool ScriptedDialogs::AskYesNo(const QString &text, const QString &title)
{
    m_shown.push_back({QStringLiteral("yesno"), text, title});
    const auto a = next();
    return a && std::holds_alternative<bool>(*a) && std::get<bool>(*a);
}

std::optional<QString> ScriptedDialogs::Input(const QString &prompt, const QString &title,
                                              const QString &preset)
{
    m_shown.push_back({QStringLiteral("input"), prompt, title, preset});
    const auto a = next();
    if (a && std::holds_alternative<QString>(*a))
        return std::get<QString>(*a);
    return std::nullopt;
}

QString ScriptedDialogs::OpenFile(const QString &filter, const QString &defaultName)
{
    m_shown.push_back({.kind = QStringLiteral("open"), .text = filter, .preset = defaultName});
    const auto a = next();
    return a && std::holds_alternative<QString>(*a) ? std::get<QString>(*a) : QString();
}

QString ScriptedDialogs::SaveFile(const QString &filter, const QString &defaultName)
{
    m_shown.push_back({.kind = QStringLiteral("save"), .text = filter, .preset = defaultName});
    const auto a = next();
    return a && std::holds_alternative<QString>(*a) ? std::get<QString>(*a) : QString();
}

bool ScriptedDialogs::ChooseFont(QFont &font, QColor &color)
{
    m_shown.push_back(
        {.kind = QStringLiteral("font"), .text = font.family(), .pointSize = font.pointSizeF()});
    const auto a = next();
    if (a && std::holds_alternative<FontChoice>(*a)) {
        font = std::get<FontChoice>(*a).font;
        color = std::get<FontChoice>(*a).color;
        return true;
    }
    if (a && std::holds_alternative<QFont>(*a)) {
        font = std::get<QFont>(*a);
        return true;
    }
    if (a && std::holds_alternative<QColor>(*a)) {
        color = std::get<QColor>(*a);
        return true;
    }
    return false;
}

bool ScriptedDialogs::ChooseColor(QColor &color)
{
    m_shown.push_back({.kind = QStringLiteral("color"), .text = color.name()});
    const auto a = next();
    if (a && std::holds_alternative<QColor>(*a)) {
        color = std::get<QColor>(*a);
        return true;
    }
    return false;
}

int ScriptedDialogs::PopupMenu(const QStringList &items, const QPoint &globalPos,
                               const QList<int> &disabled)
{
    Q_UNUSED(globalPos);
    QStringList off;
    for (const int i : disabled)
        if (i >= 0 && i < items.size())
            off << items[i];
    m_shown.push_back(
        {.kind = QStringLiteral("menu"), .text = items.join(u'\n'), .disabled = off.join(u'\n')});
    const auto a = next();
    if (!a || !std::holds_alternative<int>(*a))
        return -1;
    const int chosen = std::get<int>(*a);
    return disabled.contains(chosen) ? -1 : chosen;
}
