#pragma once
// SelFormat ("请选择格式名称"): a one-combo chooser of format names, control
// classes or the rows of the format grid. The caller sets ListMode and
// AllowTyping, shows it (not modal), may change the caption, waits until
// that caption is gone and reads DialogResult ("" = cancelled).

#include "core/formathost.h"

#include <QWidget>
#include <memory>

class GridModel;
class QComboBox;
class QPushButton;

class SelFormat : public QWidget
{
    Q_OBJECT
public:
    explicit SelFormat(QWidget *parent = nullptr);

    // "Format", "CtlClas" or "Control".
    QString ListMode;
    // False: keys in the combo are discarded, only a listed item can be picked.
    bool AllowTyping = false;
    // The grid listed in mode "Control".
    const GridModel *ControlGrid = nullptr;
    // The name shown at first in mode "Format": the open format's.
    QString OpenFormat;

    // This window's own answer ("" until confirmed); it outlives the window.
    std::shared_ptr<const QString> Answer() const { return m_answer; }

    QComboBox *CMB = nullptr;
    QPushButton *Com[2] = {}; // 0 confirms, 1 cancels

public Q_SLOTS:
    void Com_Click(int index);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    bool m_loaded = false;
    std::shared_ptr<QString> m_answer = std::make_shared<QString>();
};

// Shows the chooser in a mode, waits until it closes and returns its answer
// (also left in DialogResult). A non-empty caption replaces the window's.
QString ShowSelFormat(const QString &mode, bool allowTyping, const QString &caption = QString(),
                      const GridModel *controlGrid = nullptr,
                      const QString &openFormat = QString());
// The format-name chooser of save-as (typing allowed), delete and export,
// starting at the host's open format.
QString ChooseFormatName(const FormatHost &host, bool allowTyping);
// Makes the export (given no name) ask through this chooser.
void InstallExportFormatChooser();
