#pragma once
// Every question the program puts to the user goes through this seam: message
// boxes, Yes/No questions, input prompts, file, font and colour dialogs and
// pop-up menus. The application installs the Qt implementation at start-up;
// tests install a ScriptedDialogs that answers from a script and records
// what was shown, so nothing waits for a person.

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <variant>

class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // An OK message box. An empty title means the application's title.
    virtual void Message(const QString &text, const QString &title = QString()) = 0;
    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(const QString &text, const QString &title = QString()) = 0;
    // An input prompt; nullopt when cancelled (distinct from an empty answer).
    virtual std::optional<QString> Input(const QString &prompt, const QString &title,
                                         const QString &preset)
        = 0;
    // Open or save file dialogs. The filter is written "name|pattern|name|pattern".
    // An empty result means cancelled.
    virtual QString OpenFile(const QString &filter, const QString &defaultName) = 0;
    virtual QString SaveFile(const QString &filter, const QString &defaultName) = 0;
    // Font and colour dialogs; false when cancelled (the arguments stay as they were).
    virtual bool ChooseFont(QFont &font, QColor &color) = 0;
    virtual bool ChooseColor(QColor &color) = 0;
    // A pop-up menu at a screen point ("-" items are separators); the chosen
    // item's index or -1. The items at the indexes in disabled are shown
    // greyed and cannot be chosen.
    virtual int PopupMenu(const QStringList &items, const QPoint &globalPos,
                          const QList<int> &disabled = {})
        = 0;
};

struct FontSpec;
// The font dialog on a stored font and its 0x00BBGGRR colour: the stored face
// name is offered as it is (宋体 stays 宋体); OK puts the choice into both and
// returns true, cancel leaves them as they were.
bool ChooseStoredFont(FontSpec &font, qint32 &color);

// The dialogs in use. Until one is installed, a ScriptedDialogs with an empty
// script answers (No, cancel) so that code without a user never blocks.
Dialogs &dialogs();
// Installs a dialogs object (not owned); nullptr restores the default.
void setDialogs(Dialogs *d);

// Answers from a script and records every question; used by tests and as the
// default without a user interface.
class ScriptedDialogs : public Dialogs
{
public:
    struct Shown
    {
        QString kind; // "message", "yesno", "input", "open", "save", "font", "color", "menu"
        // A box's text or an input's prompt; a file dialog's filter; the family
        // a font dialog opened with; a colour's name; a menu's items, one a line.
        QString text;
        QString title; // a box's or an input's title (empty: the application's)
        QString preset; // an input's preset text; a file dialog's default name
        double pointSize = 0; // the size a font dialog opened with
        QString disabled; // a menu's disabled items, one a line
    };
    // A font dialog's answer with its colour; a bare QFont keeps the colour,
    // a bare QColor keeps the font.
    struct FontChoice
    {
        QFont font;
        QColor color;
    };
    using Answer = std::variant<bool, QString, std::nullopt_t, int, QFont, QColor, FontChoice>;

    // Queue an answer for the next question that needs one: bool for Yes/No,
    // QString for input and file dialogs, nullopt to cancel an input, int for
    // menus, QFont/QColor/FontChoice for the font and colour dialogs.
    void Queue(Answer a) { m_answers.push_back(std::move(a)); }
    const std::vector<Shown> &shown() const { return m_shown; }
    QStringList messages() const;
    void Clear()
    {
        m_shown.clear();
        m_answers.clear();
    }
    size_t pendingAnswers() const { return m_answers.size(); }

    void Message(const QString &text, const QString &title = QString()) override;
    bool AskYesNo(const QString &text, const QString &title = QString()) override;
    std::optional<QString> Input(const QString &prompt, const QString &title,
                                 const QString &preset) override;
    QString OpenFile(const QString &filter, const QString &defaultName) override;
    QString SaveFile(const QString &filter, const QString &defaultName) override;
    bool ChooseFont(QFont &font, QColor &color) override;
    bool ChooseColor(QColor &color) override;
    // A queued choice of a disabled item chooses nothing.
    int PopupMenu(const QStringList &items, const QPoint &globalPos,
                  const QList<int> &disabled = {}) override;

private:
    std::optional<Answer> next();
    std::vector<Shown> m_shown;
    std::deque<Answer> m_answers;
};
