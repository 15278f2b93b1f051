#pragma once
// The about box Rightform "版权说明": the version label, the maker's
// contact labels and a close button; a click on the picture or a label
// opens the maker's home page.

#include <QWidget>

class QLabel;
class QPushButton;

namespace dsg {

class Rightform : public QWidget
{
    Q_OBJECT
public:
    explicit Rightform(QWidget *parent = nullptr);

    QLabel *VersionLabel() const { return m_version; }
    QPushButton *CloseButton() const { return m_com; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *m_version = nullptr;
    QPushButton *m_com = nullptr;
};

// The maker's server address with that path and query ("" when no server
// is set).
QString MakerUrl(const QString &path, const QString &query = QString());

} // namespace dsg
