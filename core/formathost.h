#pragma once
// What the format store reads and writes of the main window: the open
// format's name, the page size and print offset labels, the two menu ticks,
// the five option boxes, the screen width, the font scale of the open format
// and the texts of fixed-text input boxes. Every store operation and every
// format chooser receives the host it works for as a parameter: the main
// window's state, or a FormatHostState that keeps the values in memory
// (example format, tests).

#include <QString>
#include <array>
#include <optional>

class FormatHost
{
public:
    virtual ~FormatHost() = default;

    // Caption of LFMT(0): the name of the open format.
    virtual QString CurrentFormatName() const = 0;
    // Texts of the labels Wid, Hie (page size, mm) and M_X, M_Y (offsets, mm).
    virtual QString PageWidthText() const = 0;
    virtual QString PageHeightText() const = 0;
    virtual QString OffsetXText() const = 0;
    virtual QString OffsetYText() const = 0;
    virtual void SetPageSizeTexts(const QString &width, const QString &height) = 0;
    virtual void SetOffsetTexts(const QString &x, const QString &y) = 0;
    // Menu ticks mSetPaper and mDiTuPrint.
    virtual bool SetPaperTicked() const = 0;
    virtual bool DiTuPrintTicked() const = 0;
    virtual void SetMenuTicks(bool setPaper, bool diTuPrint) = 0;
    // Option boxes O2(0..4). Setting a different value runs the option's
    // click handling, as a click would.
    virtual qint32 OptionValue(int index) const = 0;
    virtual void SetOptionValue(int index, qint32 value) = 0;
    // Width of the screen in twips.
    virtual qint32 ScreenWidthTwips() const = 0;
    // The factor applied to stored font sizes when the format's rows are
    // loaded: set from the screen width stored in the header by
    // ReadFormatHeader, kept when a format has no header; 1 at start.
    virtual double FontScale() const = 0;
    virtual void SetFontScale(double scale) = 0;
    // The current text of the input box of that grid row when it is a
    // fixed-text box (no prompt text); nullopt otherwise or when the row has
    // no control.
    virtual std::optional<QString> FixedInputText(qint32 row) const = 0;
    // Opens the named format in the main window (after an import).
    virtual void SelectFormat(const QString &name) = 0;
};

// Keeps the values in memory; used without a main window and by tests.
class FormatHostState : public FormatHost
{
public:
    QString formatName;
    QString width = QStringLiteral("0");
    QString height = QStringLiteral("0");
    QString offsetX = QStringLiteral("0");
    QString offsetY = QStringLiteral("0");
    bool setPaper = false;
    bool diTuPrint = false;
    std::array<qint32, 5> options {};
    qint32 screenWidth = 15360;
    double fontScale = 1.0;
    int optionClicks = 0; // click handlings run by SetOptionValue
    QString selectedFormat; // last SelectFormat

    QString CurrentFormatName() const override { return formatName; }
    QString PageWidthText() const override { return width; }
    QString PageHeightText() const override { return height; }
    QString OffsetXText() const override { return offsetX; }
    QString OffsetYText() const override { return offsetY; }
    void SetPageSizeTexts(const QString &w, const QString &h) override
    {
        width = w;
        height = h;
    }
    void SetOffsetTexts(const QString &x, const QString &y) override
    {
        offsetX = x;
        offsetY = y;
    }
    bool SetPaperTicked() const override { return setPaper; }
    bool DiTuPrintTicked() const override { return diTuPrint; }
    void SetMenuTicks(bool a, bool b) override
    {
        setPaper = a;
        diTuPrint = b;
    }
    qint32 OptionValue(int index) const override
    {
        return index >= 0 && index < 5 ? options[size_t(index)] : 0;
    }
    void SetOptionValue(int index, qint32 value) override
    {
        if (index < 0 || index >= 5 || options[size_t(index)] == value)
            return;
        options[size_t(index)] = value;
        ++optionClicks;
    }
    qint32 ScreenWidthTwips() const override { return screenWidth; }
    double FontScale() const override { return fontScale; }
    void SetFontScale(double scale) override { fontScale = scale; }
    std::optional<QString> FixedInputText(qint32) const override { return std::nullopt; }
    void SelectFormat(const QString &name) override { selectedFormat = name; }
};
