// The settings page on the real main window: what it shows from the registry, which changes
// count as unsaved, and what the save button writes.
#include "testpanel.h"
#include "testmain.h"

#include "gui/appearance/kovalanguage.h"
#include "gui/appearance/kovaprovider.h"
#include "gui/shell/settingspage.h"
#include "gui/shell/spinedit.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace {

QColor textColour(const QLabel *label)
{
    return label->palette().color(QPalette::WindowText);
}

void clickLabel(QLabel *label)
{
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(2, 2));
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
    void firstStartShowsTheDefaults()
    {
        TestPanel p;
        QVERIFY(p.start());
        SettingsPage *page = p.main->settingsPage;
        QVERIFY(page->CheckBox1->isChecked());
        QVERIFY(page->CheckBox2->isChecked());
        QVERIFY(page->CheckBox3->isChecked());
        QVERIFY(page->CheckBox4->isChecked());
        QVERIFY(!page->CheckBox5->isChecked());
        QVERIFY(!page->SpinEdit1->isEnabled());
        QVERIFY(!page->Label6->isEnabled());
        QVERIFY(!page->CheckBox6->isChecked());
        QCOMPARE(page->SpinEdit1->value(), 1);
        QCOMPARE(page->SpinEdit2->value(), 30);
        QCOMPARE(page->SpinEdit3->value(), 72);
        QCOMPARE(page->Label9->text(), QStringLiteral("minute(s) periodically"));
        QCOMPARE(page->Label10->text(), QStringLiteral("hour(s) periodically"));
        QCOMPARE(page->ComboBox1->currentText(), QStringLiteral("Normal"));
        QCOMPARE(page->ComboBox2->currentText(), QStringLiteral("Shutdown"));
        QCOMPARE(page->ComboBox2->toolTip(), QStringLiteral("Shutdown"));
        QCOMPARE(page->SpeedButton7->text(), QStringLiteral("Start Archiver"));
        QCOMPARE(page->SpeedButton8->text(), QStringLiteral("Save settings"));
        QCOMPARE(page->SpeedButton13->toolTip(), QStringLiteral("---"));
        QVERIFY(!p.main->SettingsChanged);
    }

    void intervalLabels()
    {
        TestPanel p;
        p.settings().WriteInteger(QStringLiteral("Archivalas"), 0);
        p.settings().WriteInteger(QStringLiteral("Biztarchivalas"), 0);
        QVERIFY(p.start());
        SettingsPage *page = p.main->settingsPage;
        for (QLabel *label : {page->Label9, page->Label10}) {
            QCOMPARE(label->text(), QStringLiteral("disabled"));
            QCOMPARE(textColour(label), QColor(Qt::red));
        }
        QVERIFY(!p.main->SettingsChanged);

        // One step up (ten minutes; the secondary hours step by one): the interval text in
        // black, and the settings are unsaved.
        page->SpinEdit2->stepUp();
        QCOMPARE(page->SpinEdit2->value(), 10);
        QTest::keyClick(page->SpinEdit2, Qt::Key_Up);
        QCOMPARE(page->SpinEdit2->value(), 20);
        QCOMPARE(page->SpinEdit3->singleStep(), 1);
        QCOMPARE(page->Label9->text(), QStringLiteral("minute(s) periodically"));
        QCOMPARE(textColour(page->Label9), QColor(Qt::black));
        QVERIFY(p.main->SettingsChanged);

        // The texts applied anew keep saying that the secondary interval is off.
        p.main->kovaProvider1->OnNeedSet()(p.main->KovaLanguage1);
        QCOMPARE(page->Label10->text(), QStringLiteral("disabled"));
        QCOMPARE(page->Label9->text(), QStringLiteral("minute(s) periodically"));
    }

    void shutdownModeAndPriority()
    {
        {
            TestPanel p;
            p.settings().WriteInteger(QStringLiteral("ShutDown_type"), 0);
            p.settings().WriteBool(QStringLiteral("Kerdez"), false);
            QVERIFY(p.start());
            SettingsPage *page = p.main->settingsPage;
            QCOMPARE(page->ComboBox2->currentText(), QStringLiteral("Logoff"));

            // The priority alone is no unsaved change: leaving does not save.
            p.main->ShowPage(3);
            chooseItem(page->ComboBox1, 0);
            QCOMPARE(page->ComboBox1->currentText(), QStringLiteral("High"));
            QVERIFY(!p.main->SettingsChanged);
            p.main->SpeedButton3Click();
            QCOMPARE(p.saves(), 0);
            QCOMPARE(p.terminations, 1);

            // The shutdown mode is: Reboot is stored as 2, the priority with it.
            chooseItem(page->ComboBox2, 1);
            QCOMPARE(page->ComboBox2->toolTip(), QStringLiteral("Reboot"));
            QVERIFY(p.main->SettingsChanged);
            p.main->SpeedButton3Click();
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
            QCOMPARE(p.main->settingsPage->ComboBox2->currentIndex(), -1);
            QCOMPARE(p.main->settingsPage->ComboBox1->currentIndex(), -1);
            QTest::mouseClick(p.main->settingsPage->SpeedButton8, Qt::LeftButton);
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
        SettingsPage *page = p.main->settingsPage;
        Tconfirm1F *confirm = p.panel->confirm1F();
        const QString question = QStringLiteral("Do you want to save the settings?");

        // The box is checked but not saved: the save does not ask.
        clickLabel(page->Label1);
        QVERIFY(page->CheckBox1->isChecked());
        QVERIFY(p.main->SettingsChanged);
        QTest::mouseClick(page->SpeedButton8, Qt::LeftButton);
        QCOMPARE(p.saves(), 1);
        QVERIFY(!p.main->SettingsChanged);
        QVERIFY(p.settings().ReadBool(QStringLiteral("Kerdez"), false));
        // The progress window goes away by itself.
        QTRY_VERIFY(!p.panel->saveF()->isVisible());

        // Now stored: the save asks. No writes nothing; Yes saves.
        clickLabel(page->Label17);
        answer(confirm, question, false);
        QTest::mouseClick(page->SpeedButton8, Qt::LeftButton);
        QCOMPARE(p.saves(), 1);
        QVERIFY(!p.settings().ReadBool(QStringLiteral("Archive_atshutdown"), false));
        answer(confirm, question, true);
        QTest::mouseClick(page->SpeedButton8, Qt::LeftButton);
        QCOMPARE(p.saves(), 2);
        QVERIFY(p.settings().ReadBool(QStringLiteral("Archive_atshutdown"), false));
    }

    void saveWritesEveryValue()
    {
        TestPanel p;
        p.settings().WriteBool(QStringLiteral("Kerdez"), false);
        QVERIFY(p.start());
        SettingsPage *page = p.main->settingsPage;
        const QString entry = p.programDir + QStringLiteral("\\Archiv.exe -d");
        QCOMPARE(p.settings().GetAutostart().toUpper(), entry.toUpper());

        // Autorun off removes the entry; the auto-empty box enables its day count.
        clickLabel(page->Label2);
        clickLabel(page->Label5);
        QVERIFY(page->SpinEdit1->isEnabled());
        QVERIFY(page->Label6->isEnabled());
        page->SpinEdit1->setValue(12);
        page->SpinEdit3->setValue(5);
        clickLabel(page->Label3); // compression is not a setting to save; it acts on its own
        p.main->PrimaryDestination = QStringLiteral("D:\\") + QString(300, QLatin1Char('x'));
        p.main->SecondaryDirName = QStringLiteral("\\Tartalek");
        QTest::mouseClick(page->SpeedButton8, Qt::LeftButton);
        QVERIFY(!p.settings().ReadBool(QStringLiteral("Auto"), true));
        QVERIFY(p.settings().GetAutostart().isEmpty());
        QVERIFY(p.settings().ReadBool(QStringLiteral("Autourites"), false));
        QCOMPARE(p.settings().ReadInteger(QStringLiteral("Uritesido"), 0), 12);
        QCOMPARE(p.settings().ReadInteger(QStringLiteral("Biztarchivalas"), 0), 5);
        QVERIFY(!p.settings().ReadBool(QStringLiteral("Bzip2_ok_1"), true));
        QCOMPARE(p.settings().ReadString(QStringLiteral("Celutvonal"), QString()).size(), 255);
        QCOMPARE(p.settings().ReadString(QStringLiteral("Celkonyvtarnev2"), QString()), QStringLiteral("Tartalek"));
        QCOMPARE(p.settings().ReadString(QStringLiteral("Celkonyvtarnev1"), QString()), QStringLiteral("Archive1"));

        // Autorun on again writes the entry with its argument.
        clickLabel(page->Label2);
        QTest::mouseClick(page->SpeedButton8, Qt::LeftButton);
        QCOMPARE(p.settings().GetAutostart(), entry);
    }

    void failedSaveKeepsTheChanges()
    {
        TestPanel p;
        p.settings().WriteBool(QStringLiteral("Kerdez"), false);
        QVERIFY(p.start());
        TestPrefix::setCodePage("1252");
        p.main->PrimaryDestination = QStringLiteral("C:\\Архив");
        p.main->settingsPage->SpinEdit2->setValue(45);
        QTest::mouseClick(p.main->settingsPage->SpeedButton8, Qt::LeftButton);
        QCOMPARE(p.errors, QStringList{QStringLiteral("Failed to set data for 'Celutvonal'")});
        QVERIFY(p.main->SettingsChanged);
        QTRY_VERIFY(!p.panel->saveF()->isVisible());
        TestPrefix::setCodePage("65001");
    }

    void spinBoxBounds()
    {
        TestPanel p;
        QVERIFY(p.start());
        SettingsPage *page = p.main->settingsPage;
        p.main->ShowPage(3);
        p.main->activateWindow();
        page->CheckBox5->click();

        // A typed number above the range is pulled down when the box loses the focus.
        TSpinEdit *days = page->SpinEdit1;
        days->setFocus();
        days->selectAll();
        QTest::keyClicks(days, QStringLiteral("45"));
        QCOMPARE(days->Value(), 30);
        page->SpinEdit2->setFocus();
        QTRY_COMPARE(days->value(), 30);
        QCOMPARE(days->text(), QStringLiteral("30"));

        // Letters cannot be typed; an empty box reads as its minimum.
        days->setFocus();
        days->selectAll();
        QTest::keyClick(days, Qt::Key_Backspace);
        QTest::keyClicks(days, QStringLiteral("ab"));
        QCOMPARE(days->text(), QString());
        QCOMPARE(days->Value(), 1);
        page->SpinEdit3->setFocus();
        QTRY_COMPARE(days->text(), QStringLiteral("1"));

        // The arrows stay within the range.
        page->SpinEdit2->setValue(9999);
        page->SpinEdit2->stepUp();
        QCOMPARE(page->SpinEdit2->value(), 9999);
    }
};

DUNLIVO_TEST_MAIN(TestSettingsPage)
#include "tst_settingspage.moc"
