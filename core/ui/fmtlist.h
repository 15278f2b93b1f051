#pragma once
// FmtList ("选择/管理格式模板"): the stored formats with a preview of each
// format's background picture, and the buttons choose, leave, download more,
// import, delete and export. It answers through DialogResult: the chosen
// name, the open format's name after "退 出", "" otherwise.

#include "core/formathost.h"
#include "core/ui/listpreview.h"
#include "platform/hookslot.h"

#include <functional>
#include <memory>

// "下载更多…" shows the catalogue of formats on the maker's server; the
// main window installs it until the handle goes.
HookHandle InstallFmtListDownloadHook(std::function<void()> hook);
// "删 除" deletes a format through the designer's delete operation, which asks
// and refuses the open format; true when deleted. The main window installs
// it until the handle goes; without a hook nothing is deleted.
HookHandle InstallFmtListDeleteHook(std::function<bool(const QString &)> hook);

class FmtList : public ListPreviewWindow
{
    Q_OBJECT
public:
    // The list works for the host's window: its open format is ticked and
    // answered by "退 出", an import may open a format in it.
    explicit FmtList(FormatHost &host, QWidget *parent = nullptr);

    // This window's own answer ("" until one is chosen); it outlives the
    // window, so the one who waits reads it after the window is gone.
    std::shared_ptr<const QString> Answer() const { return m_answer; }

    QPushButton *Com[6] = {};

public Q_SLOTS:
    void Com_Click(int index) override;
    void MSF_RowColChange() override;

protected:
    void Form_Load() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void finish(const QString &answer);
    FormatHost &m_host;
    std::shared_ptr<QString> m_answer = std::make_shared<QString>();
    bool m_answered = false;
};

// Shows the format list for the host's window (not modal), waits until it
// closes and returns its answer (also left in DialogResult).
QString ChooseFromFmtList(FormatHost &host);
