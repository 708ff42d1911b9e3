// The compression change of a side and the empty command.
#include "compressionchange.h"

#include "core/archiverlink/communicator.h"
#include "core/settings/config.h"

#include <QString>

namespace {

// Clears the loading flag however the flip ends, so a failing registry write in the nested click
// does not leave the boxes deaf to the user.
class LoadingScope
{
public:
    explicit LoadingScope(CompressionHost *host) : m_host(host) { m_host->setLoadingSettings(true); }
    ~LoadingScope() { m_host->setLoadingSettings(false); }
    LoadingScope(const LoadingScope &) = delete;
    LoadingScope &operator=(const LoadingScope &) = delete;

private:
    CompressionHost *m_host;
};

// Ends the progress window however the command ends.
class ProgressScope
{
public:
    explicit ProgressScope(CompressionHost *host) : m_host(host) {}
    ~ProgressScope() { m_host->progressDone(); }
    ProgressScope(const ProgressScope &) = delete;
    ProgressScope &operator=(const ProgressScope &) = delete;

private:
    CompressionHost *m_host;
};

} // namespace

void CompressionChange::writeFlag(int side)
{
    m_host->config().Write(BoolSetting::Compressed, m_host->isChecked(side), sideOf(side != 2));
}

void CompressionChange::flipBack(int side)
{
    // The flip is a click again; under the loading flag that nested click only writes the flag.
    const LoadingScope loading(m_host);
    m_host->setChecked(side, !m_host->isChecked(side));
}

void CompressionChange::boxClicked(int side)
{
    Tconfig &config = m_host->config();
    // A side never archived has nothing to convert: the box is a setting like the others, stored
    // by the next save.
    if (config.Read(TimeSetting::LastArchived, sideOf(side != 2)) == 0.0)
        return;
    if (!m_host->loadingSettings()) {
        Communicator &link = m_host->communicator();
        if (config.Read(BoolSetting::Progress, sideOf(side != 2)) && link.FindArchiver()) {
            flipBack(side);
            m_host->showInfo("ArchiverNotAvaialable", nullptr);
            m_host->repaintMain();
        } else if (!link.FindArchiver()) {
            flipBack(side);
            m_host->showInfo("ArchiverNotActive", "RunArchiver");
            m_host->repaintMain();
        } else {
            writeFlag(side);
            const bool compress = m_host->isChecked(side);
            const bool yes = compress ? m_host->ask("CompressionInfo", "CompressionConfirm")
                                      : m_host->ask("DeCompressionInfo1p", nullptr);
            if (yes) {
                m_host->repaintMain();
                // Nothing is deleted here: the Archiver converts the archive file by file into the
                // new form, so every file stays restorable throughout, those whose source has gone
                // too, and then archives the side as usual.
                if (const win::HWND archiver = link.FindArchiver()) {
                    if (side == 2)
                        link.SendArchiveSecondary(archiver);
                    else
                        link.SendArchivePrimary(archiver);
                }
            } else {
                flipBack(side);
            }
        }
    }
    writeFlag(side);
}

void CompressionChange::emptyClicked()
{
    if (!m_host->ask("EmptyConfirm", nullptr))
        return;
    m_host->repaintMain();
    Communicator &link = m_host->communicator();
    if (const win::HWND archiver = link.FindArchiver()) {
        m_host->showProgress("EmptyInfo");
        const ProgressScope done(m_host);
        link.SendEmptyArchive(archiver);
    } else {
        m_host->showInfo("ArchiverNotActive", "RunArchiver");
    }
}
