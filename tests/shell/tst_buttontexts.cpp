// Every button of every window of the panel, the main window's pages included, shows its whole
// text in each shipped language.
#include "findcontrol.h"
#include "testmain.h"
#include "testpanel.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QRadioButton>
#include <QStyle>

namespace {

// The buttons of a window that show their text and do not have room for it: "window/button: text".
QStringList clippedButtons(QWidget *window)
{
    QStringList clipped;
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (!button->isVisibleTo(window) || button->text().isEmpty() || qobject_cast<QCheckBox *>(button) ||
            qobject_cast<QRadioButton *>(button))
            continue;
        // The text is drawn inside the button's frame.
        const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        int widest = 0;
        for (const QString &line : button->text().split(QLatin1Char('\n')))
            widest = std::max(widest, button->fontMetrics().horizontalAdvance(line));
        if (widest + 2 * frame > button->width())
            clipped << window->objectName() + QLatin1Char('/') + button->objectName() + QStringLiteral(": ") +
                           button->text();
    }
    return clipped;
}

} // namespace

class TestButtonTexts : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyButtonShowsItsWholeText_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << QString();
        QTest::newRow("Magyar") << QStringLiteral("Magyar.lng");
        QTest::newRow("Deutsch") << QStringLiteral("Deutsch.lng");
    }

    void everyButtonShowsItsWholeText()
    {
        QFETCH(QString, language);
        TestPanel p;
        if (!language.isEmpty()) {
            QVERIFY(
                QFile::link(testBinDir() + QStringLiteral("/Language"), p.host(QStringLiteral("Language"))));
            p.settings().WriteString(QStringLiteral("Language"), language);
        }
        QVERIFY(p.start());
        QStringList clipped;
        for (QWidget *window : p.panel->creationOrder()) {
            if (window != p.main) {
                clipped += clippedButtons(window);
                continue;
            }
            for (int page : {1, 2, 3}) {
                p.main->showPage(page);
                clipped += clippedButtons(window);
            }
        }
        clipped.removeDuplicates();
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
    }
};

DUNLIVO_TEST_MAIN(TestButtonTexts)
#include "tst_buttontexts.moc"
