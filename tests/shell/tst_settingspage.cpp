// The settings page on the real main window: what it shows from the registry, which changes
// count as unsaved, and what the save button writes.
#include "testmain.h"
#include "testpanel.h"

#include "gui/appearance/kovalanguage.h"
#include "gui/shell/settingspage.h"
#include "gui/shell/spinedit.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace {

QColor textColour(const QLabel *label)
{
    return label->palette().color(QPalette::WindowText);
}

void clickLabel(QWidget *page, const char *name)
{
    QTest::mouseClick(control<QLabel>(page, name), Qt::LeftButton, {}, QPoint(2, 2));
}

// Chooses an item of a drop-down box the way the user does: open it, pick the item.
void chooseItem(QComboBox *box, int item)
{
    box->setFocus();
    box->showPopup();
    QTRY_VERIFY(box->view()->isVisible());
    const QModelIndex index = box->model()->index(item, 0);
    QTest::mouseClick(box->view()->viewport(), Qt::LeftButton, {}, box->view()->visualRect(index).center());
    QTRY_VERIFY(!box->view()->isVisible());
}

} // namespace

class TestSettingsPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void intervalLabels()
    {
        TestPanel p;
        p.settings().WriteInteger(QStringLiteral("Archivalas"), 0);
        p.settings().WriteInteger(QStringLiteral("Biztarchivalas"), 0);
        QVERIFY(p.start());
        SettingsPage *page = p.main->settingsPage();
        QLabel *minutes = control<QLabel>(page, "Label9");
        QLabel *hours = control<QLabel>(page, "Label10");
        for (QLabel *label : {minutes, hours}) {
            QCOMPARE(label->text(), QStringLiteral("disabled"));
            QCOMPARE(textColour(label), QColor(Qt::red));
        }
        QVERIFY(!p.main->settingsChanged());

        // One step up (ten minutes; the secondary hours step by one): the interval text in
        // black, and the settings are unsaved.
        TSpinEdit *primary = control<TSpinEdit>(page, "SpinEdit2");
        primary->stepUp();
        QTest::keyClick(primary, Qt::Key_Up);
        QCOMPARE(primary->value(), 20);
        QCOMPARE(minutes->text(), QStringLiteral("minute(s) periodically"));
        QCOMPARE(textColour(minutes), QColor(Qt::black));
        QVERIFY(p.main->settingsChanged());

        // The texts applied anew keep saying that the secondary interval is off.
        p.main->language()->LoadDefaults();
        QCOMPARE(hours->text(), QStringLiteral("disabled"));
    }

    void shutdownModeAndPriority()
    {
        {
            TestPanel p;
            p.settings().WriteInteger(QStringLiteral("ShutDown_type"), 0);
            p.settings().WriteBool(QStringLiteral("Kerdez"), false);
            QVERIFY(p.start());
            auto *priority = control<QComboBox>(p.main, "ComboBox1");
            auto *mode = control<QComboBox>(p.main, "ComboBox2");
            QCOMPARE(mode->currentText(), QStringLiteral("Logoff"));

            // The priority alone is no unsaved change: leaving does not save.
            p.main->showPage(3);
            chooseItem(priority, 0);
            QVERIFY(!p.main->settingsChanged());
            clickControl(p.main, "SpeedButton3");
            QCOMPARE(p.saves(), 0);
            QCOMPARE(p.terminations, 1);

            // The shutdown mode is: Reboot is stored as 2, the priority with it.
            chooseItem(mode, 1);
            QVERIFY(p.main->settingsChanged());
            clickControl(p.main, "SpeedButton3");
            QCOMPARE(p.saves(), 1);
            QCOMPARE(p.settings().ReadInteger(QStringLiteral("ShutDown_type"), -1), 2);
            QCOMPARE(p.settings().ReadInteger(QStringLiteral("Prioritas"), -1), 0);
        }
        {
            // Numbers the boxes do not know: no selection, and saving leaves them as they are.
            TestPanel p;
            p.settings().WriteInteger(QStringLiteral("ShutDown_type"), 7);
            p.settings().WriteInteger(QStringLiteral("Prioritas"), 5);
            p.settings().WriteBool(QStringLiteral("Kerdez"), false);
            QVERIFY(p.start());
            QCOMPARE(control<QComboBox>(p.main, "ComboBox1")->currentIndex(), -1);
            QCOMPARE(control<QComboBox>(p.main, "ComboBox2")->currentIndex(), -1);
            clickControl(p.main, "SpeedButton8");
            QCOMPARE(p.saves(), 1);
            QCOMPARE(p.settings().ReadInteger(QStringLiteral("ShutDown_type"), -1), 7);
            QCOMPARE(p.settings().ReadInteger(QStringLiteral("Prioritas"), -1), 5);
        }
    }

    void saveButtonAsksAfterTheStoredChoice()
    {
        TestPanel p;
        p.settings().WriteBool(QStringLiteral("Kerdez"), false);
        QVERIFY(p.start());
        SettingsPage *page = p.main->settingsPage();

        // The box is checked but not saved: the save does not ask.
        clickLabel(page, "Label1");
        QVERIFY(control<QCheckBox>(page, "CheckBox1")->isChecked());
        QVERIFY(p.main->settingsChanged());
        Question::setNextAnswers({false});
        clickControl(page, "SpeedButton8");
        QCOMPARE(takeQuestions(), QStringList());
        QCOMPARE(p.saves(), 1);
        QVERIFY(!p.main->settingsChanged());
        QVERIFY(p.settings().ReadBool(QStringLiteral("Kerdez"), false));
        // The progress window goes away by itself.
        QTRY_VERIFY(!p.panel->saveF()->isVisible());

        // Now stored: the save asks. No writes nothing; Yes saves.
        clickLabel(page, "Label17");
        Question::setNextAnswers({false, true});
        clickControl(page, "SpeedButton8");
        QCOMPARE(p.saves(), 1);
        QVERIFY(!p.settings().ReadBool(QStringLiteral("Archive_atshutdown"), false));
        clickControl(page, "SpeedButton8");
        QCOMPARE(p.saves(), 2);
        QVERIFY(p.settings().ReadBool(QStringLiteral("Archive_atshutdown"), false));
        QCOMPARE(takeQuestions(), QStringList(2, QStringLiteral("Do you want to save the settings?")));
    }

    void saveWritesEveryValue()
    {
        TestPanel p;
        p.settings().WriteBool(QStringLiteral("Kerdez"), false);
        QVERIFY(p.start());
        SettingsPage *page = p.main->settingsPage();

        // Autorun off removes the entry; the auto-empty box enables its day count.
        clickLabel(page, "Label2");
        QVERIFY(!control<TSpinEdit>(page, "SpinEdit1")->isEnabled() &&
                !control<QLabel>(page, "Label6")->isEnabled());
        clickLabel(page, "Label5");
        QVERIFY(control<TSpinEdit>(page, "SpinEdit1")->isEnabled() &&
                control<QLabel>(page, "Label6")->isEnabled());
        control<TSpinEdit>(page, "SpinEdit1")->setValue(12);
        control<TSpinEdit>(page, "SpinEdit3")->setValue(5);
        clickLabel(page, "Label3"); // compression is not a setting to save; it acts on its own
        p.main->setDestination(true, QStringLiteral("D:\\") + QString(300, QLatin1Char('x')),
                               p.main->dirName(true), QString());
        p.main->setDestination(false, QString(), QStringLiteral("\\Tartalek"), QString());
        clickControl(page, "SpeedButton8");
        QVERIFY(!p.settings().ReadBool(QStringLiteral("Auto"), true));
        QVERIFY(p.settings().GetAutostart().isEmpty());
        QVERIFY(p.settings().ReadBool(QStringLiteral("Autourites"), false));
        QCOMPARE(p.settings().ReadInteger(QStringLiteral("Uritesido"), 0), 12);
        QCOMPARE(p.settings().ReadInteger(QStringLiteral("Biztarchivalas"), 0), 5);
        QVERIFY(!p.settings().ReadBool(QStringLiteral("Bzip2_ok_1"), true));
        QCOMPARE(p.settings().ReadString(QStringLiteral("Celutvonal"), QString()).size(), 255);
        QCOMPARE(p.settings().ReadString(QStringLiteral("Celkonyvtarnev2"), QString()),
                 QStringLiteral("Tartalek"));
        QCOMPARE(p.settings().ReadString(QStringLiteral("Celkonyvtarnev1"), QString()),
                 QStringLiteral("Archive1"));

        // Autorun on again writes the entry with its argument.
        clickLabel(page, "Label2");
        clickControl(page, "SpeedButton8");
        QCOMPARE(p.settings().GetAutostart(), p.programDir + QStringLiteral("\\Archiv.exe -d"));
    }

    void failedSaveKeepsTheChanges()
    {
        TestPanel p;
        p.settings().WriteBool(QStringLiteral("Kerdez"), false);
        QVERIFY(p.start());
        TestPrefix::setCodePage("1252");
        p.main->setDestination(true, QStringLiteral("C:\\Архив"), p.main->dirName(true), QString());
        control<TSpinEdit>(p.main, "SpinEdit2")->setValue(45);
        clickControl(p.main, "SpeedButton8");
        QCOMPARE(p.errors, QStringList{QStringLiteral("Failed to set data for 'Celutvonal'")});
        QVERIFY(p.main->settingsChanged());
        QTRY_VERIFY(!p.panel->saveF()->isVisible());
        TestPrefix::setCodePage("65001");
    }

    void keepVersionsDays()
    {
        TestPanel p;
        p.settings().WriteInteger(QStringLiteral("Versions_days"), 30);
        p.settings().WriteBool(QStringLiteral("Kerdez"), false);
        QVERIFY(p.start());
        p.main->showPage(3);
        TSpinEdit *days = control<TSpinEdit>(p.main, "SpinEdit4");
        QCOMPARE(days->text(), QStringLiteral("30"));
        QVERIFY(!p.main->settingsChanged());
        // A number typed beyond ten years is saved as ten years; 0 (none kept) is saved as it is.
        for (const auto &[typed, stored] : {std::pair("99999", 3650), std::pair("0", 0)}) {
            days->setFocus();
            days->selectAll();
            QTest::keyClicks(days, QString::fromLatin1(typed));
            clickControl(p.main, "SpeedButton8");
            QCOMPARE(p.settings().ReadInteger(QStringLiteral("Versions_days"), -1), stored);
        }
    }

    void spinBoxBounds()
    {
        TestPanel p;
        QVERIFY(p.start());
        p.main->showPage(3);
        p.main->activateWindow();
        control<QCheckBox>(p.main, "CheckBox5")->click();
        TSpinEdit *days = control<TSpinEdit>(p.main, "SpinEdit1");
        TSpinEdit *minutes = control<TSpinEdit>(p.main, "SpinEdit2");

        // A typed number above the range is pulled down when the box loses the focus.
        days->setFocus();
        days->selectAll();
        QTest::keyClicks(days, QStringLiteral("45"));
        QCOMPARE(days->Value(), 30);
        minutes->setFocus();
        QTRY_COMPARE(days->text(), QStringLiteral("30"));

        // Letters cannot be typed; an empty box reads as its minimum.
        days->setFocus();
        days->selectAll();
        QTest::keyClick(days, Qt::Key_Backspace);
        QTest::keyClicks(days, QStringLiteral("ab"));
        QCOMPARE(days->text(), QString());
        QCOMPARE(days->Value(), 1);
        minutes->setFocus();
        QTRY_COMPARE(days->text(), QStringLiteral("1"));
    }
};

DUNLIVO_TEST_MAIN(TestSettingsPage)
#include "tst_settingspage.moc"
