#include "platform/dialogs.h"
#include "platform/fontmap.h"
#include "platform/ui/fontdialog.h"
#include "platform/ui/qtdialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Answers the next font dialog: size, bold and strike-through, a colour,
// then OK (or cancel).
void AnswerFontDialog(bool ok, bool *seen)
{
    QTimer::singleShot(50, [ok, seen] {
        auto *d = qobject_cast<FontDialog *>(QApplication::activeModalWidget());
        if (!d)
            return;
        *seen = d->familyBox()->currentText() == QStringLiteral("宋体")
            && d->sizeBox()->currentText() == QStringLiteral("9");
        d->sizeBox()->setEditText(QStringLiteral("10.5"));
        QTest::mouseClick(d->styleBox(0), Qt::LeftButton);
        QTest::mouseClick(d->styleBox(3), Qt::LeftButton);
        d->setChosenColor(QColor(0, 0, 255));
        auto *buttons = d->findChild<QDialogButtonBox *>();
        QTest::mouseClick(buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel),
                          Qt::LeftButton);
    });
}

} // namespace

TEST(FontDialog, ChoosesSizeStylesAndColourCancelKeepsAll)
{
    QtDialogs qt;
    setDialogs(&qt);
    FontSpec spec; // 宋体 9
    qint32 color = 0x00FF00;
    bool seen = false;
    AnswerFontDialog(false, &seen);
    EXPECT_FALSE(ChooseStoredFont(spec, color));
    EXPECT_TRUE(seen);
    EXPECT_EQ(spec, FontSpec());
    EXPECT_EQ(color, 0x00FF00);

    AnswerFontDialog(true, &seen);
    EXPECT_TRUE(ChooseStoredFont(spec, color));
    setDialogs(nullptr);
    EXPECT_EQ(spec.name, QStringLiteral("宋体"));
    EXPECT_EQ(spec.size, 10.5);
    EXPECT_TRUE(spec.bold && spec.strikeOut && !spec.italic && !spec.underline);
    EXPECT_EQ(color, 0xFF0000); // blue as 0x00BBGGRR
}
