// CompressionControls: the settings page's compression boxes and Empty button wired to
// CompressionChange. The page hands over its controls and what the commands work on: the loading
// flag it shares with the main window, the link to the Archiver, the texts of the language in
// force and the panel's common dialogs. The settings are read and written through a store of its
// own, made at its first use.
#pragma once

#include "core/compression/compressionchange.h"

#include <QObject>

#include <memory>

class PanelDialogs;
class QAbstractButton;
class QCheckBox;
class TkovaProvider;

class CompressionControls : public QObject, private CompressionHost
{
    Q_OBJECT

public:
    struct Parts
    {
        QCheckBox *primaryBox;
        QCheckBox *secondaryBox;
        QAbstractButton *emptyButton;
        // Set while the settings are loaded into the controls.
        bool *loadingSettings;
        Communicator *communicator;
        const TkovaProvider *texts;
        PanelDialogs *dialogs;
    };

    explicit CompressionControls(const Parts &parts, QObject *parent = nullptr);
    ~CompressionControls() override;

private:
    // CompressionHost
    bool isChecked(int side) const override;
    void setChecked(int side, bool checked) override;
    bool loadingSettings() const override { return *m_parts.loadingSettings; }
    void setLoadingSettings(bool loading) override { *m_parts.loadingSettings = loading; }
    Tconfig &config() override;
    Communicator &communicator() override { return *m_parts.communicator; }
    bool ask(const char *firstKey, const char *secondKey) override;
    void showInfo(const char *firstKey, const char *secondKey) override;
    void repaintMain() override;
    void showProgress(const char *key) override;
    void progressDone() override;

    QString text(const char *key) const;
    QCheckBox *box(int side) const { return side == 2 ? m_parts.secondaryBox : m_parts.primaryBox; }

    Parts m_parts;
    CompressionChange m_change;
    std::unique_ptr<Tconfig> m_config;
};
