// CompressionControls: the settings page's compression boxes and Empty button wired to
// CompressionChange. The page hands over its controls and what only it can give: the loading
// flag, the store, the link to the Archiver and the panel's common windows.
#pragma once

#include "core/compression/compressionchange.h"

#include <QObject>

#include <functional>

class QAbstractButton;
class QCheckBox;

struct CompressionPageLink
{
    std::function<bool()> loadingSettings;
    std::function<void(bool)> setLoadingSettings;
    std::function<Tconfig &()> config;
    std::function<Communicator &()> communicator;
    // The confirmation and information windows with the texts of two keys (an empty key gives an
    // empty line), and the progress window with the text of one.
    std::function<bool(const QString &, const QString &)> ask;
    std::function<void(const QString &, const QString &)> showInfo;
    std::function<void()> repaintMain;
    std::function<void(const QString &)> showProgress;
    std::function<void()> progressDone;
    // Runs a handler's body; a registry failure is shown there and abandons the rest.
    std::function<void(const std::function<void()> &)> guarded;
};

class CompressionControls : public QObject, private CompressionHost
{
    Q_OBJECT

public:
    // primary and secondary are the sides' compression boxes, empty the Empty button.
    CompressionControls(QCheckBox *primary, QCheckBox *secondary, QAbstractButton *empty,
                        CompressionPageLink link, QObject *parent = nullptr);

    CompressionChange &change() { return m_change; }

private:
    // CompressionHost
    bool isChecked(int side) const override;
    void setChecked(int side, bool checked) override;
    bool loadingSettings() const override { return m_link.loadingSettings(); }
    void setLoadingSettings(bool loading) override { m_link.setLoadingSettings(loading); }
    Tconfig &config() override { return m_link.config(); }
    Communicator &communicator() override { return m_link.communicator(); }
    bool ask(const char *firstKey, const char *secondKey) override;
    void showInfo(const char *firstKey, const char *secondKey) override;
    void repaintMain() override { m_link.repaintMain(); }
    void showProgress(const char *key) override { m_link.showProgress(QLatin1String(key)); }
    void progressDone() override { m_link.progressDone(); }

    static QString keyOf(const char *key) { return key ? QString::fromLatin1(key) : QString(); }
    QCheckBox *box(int side) const { return side == 2 ? m_secondary : m_primary; }

    QCheckBox *m_primary;
    QCheckBox *m_secondary;
    CompressionPageLink m_link;
    CompressionChange m_change;
};
