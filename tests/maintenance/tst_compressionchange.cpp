// The compression change without a window, on a host that records what it does: the flips back
// and the writes while the settings load and without an Archiver, with the box's click raised
// again by a flip as a real box raises it. The rest is tested on the real panel with the real archiv.
#include "testmain.h"

#include "core/archiverlink/communicator.h"
#include "core/compression/compressionchange.h"
#include "core/settings/config.h"

#include <QStringList>

namespace {

class RecordingHost : public CompressionHost
{
public:
    RecordingHost() : change(this) { link.RegisterMainMessage(); }

    bool boxes[3] = {false, true, true};
    bool loading = false;
    QStringList events;
    bool answer = true;
    Tconfig store;
    Communicator link;
    CompressionChange change;

    // A user's click: the box changes, then its click runs.
    void click(int side)
    {
        boxes[side] = !boxes[side];
        change.boxClicked(side);
    }
    bool stored(int side) { return store.ReadBool(QStringLiteral("Bzip2_ok_%1").arg(side), false); }

    bool isChecked(int side) const override { return boxes[side]; }
    void setChecked(int side, bool checked) override
    {
        events.append(QStringLiteral("flip %1 loading %2").arg(side).arg(loading));
        if (boxes[side] == checked)
            return;
        boxes[side] = checked;
        change.boxClicked(side);
    }
    bool loadingSettings() const override { return loading; }
    void setLoadingSettings(bool value) override { loading = value; }
    Tconfig &config() override { return store; }
    Communicator &communicator() override { return link; }
    bool ask(const char *firstKey, const char *secondKey) override
    {
        events.append(QStringLiteral("ask %1 %2").arg(QLatin1String(firstKey), QLatin1String(secondKey)));
        return answer;
    }
    void showInfo(const char *firstKey, const char *secondKey) override
    {
        events.append(QStringLiteral("info %1 %2").arg(QLatin1String(firstKey), QLatin1String(secondKey)));
    }
    void repaintMain() override {}
    void showProgress(const char *key) override
    {
        events.append(QStringLiteral("progress %1").arg(QLatin1String(key)));
    }
    void progressDone() override { events.append(QStringLiteral("done")); }
};

} // namespace

class TestCompressionChange : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void clicksWithoutARunningArchiver()
    {
        RecordingHost host;
        host.store.WriteDateTime(QStringLiteral("Archutolso"), 45000.5);
        host.store.WriteBool(QStringLiteral("Bzip2_ok_1"), true);
        // Archived, while the settings load: only the value follows the box.
        host.loading = true;
        host.click(1);
        QVERIFY(host.events.isEmpty());
        QVERIFY(!host.stored(1));
        host.click(1);
        QVERIFY(host.stored(1));
        host.loading = false;

        // No Archiver: the flip runs the click again under the loading flag, which only writes;
        // then the information, once.
        host.store.WriteDateTime(QStringLiteral("Archutolso2"), 45000.5);
        host.store.WriteBool(QStringLiteral("Bzip2_ok_2"), true);
        host.store.WriteBool(QStringLiteral("Progress_2"), true);
        host.click(2);
        QCOMPARE(host.events, QStringList({"flip 2 loading 1", "info ArchiverNotActive RunArchiver"}));
        QVERIFY(host.boxes[2]);
        QVERIFY(host.stored(2));
        QVERIFY(!host.loading);
    }
};

DUNLIVO_CORE_TEST_MAIN(TestCompressionChange)
#include "tst_compressionchange.moc"
