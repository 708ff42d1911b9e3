// CompressionChange: what the settings page's compression boxes and its Empty button do, without a
// window. A change of an archived side's compression is asked about, written at once and handed
// to the running Archiver, which converts the archive in place; the panel itself deletes nothing.
// Emptying is the Archiver's work too; the panel asks, shows its progress window and waits.
#pragma once

class Communicator;
class Tconfig;

// What the two commands need of the settings page: the boxes, the shared loading flag, the store,
// the link to the Archiver and the panel's own windows. Sides are 1 (primary) and 2 (secondary).
class CompressionHost
{
public:
    virtual ~CompressionHost() = default;

    virtual bool isChecked(int side) const = 0;
    // Sets the side's box; the box reports the change as a click again, as a user's click would.
    virtual void setChecked(int side, bool checked) = 0;
    virtual bool loadingSettings() const = 0;
    virtual void setLoadingSettings(bool loading) = 0;

    virtual Tconfig &config() = 0;
    virtual Communicator &communicator() = 0;

    // The confirmation window with the texts of two keys (no second key: an empty second line);
    // true for Yes.
    virtual bool ask(const char *firstKey, const char *secondKey) = 0;
    // The information window with the texts of two keys, waiting until it is closed.
    virtual void showInfo(const char *firstKey, const char *secondKey) = 0;
    virtual void repaintMain() = 0;
    // The progress window with the text of a key, shown without waiting, and its end.
    virtual void showProgress(const char *key) = 0;
    virtual void progressDone() = 0;
};

class CompressionChange
{
public:
    explicit CompressionChange(CompressionHost *host) : m_host(host) {}

    // A click on a side's compression box (or its label), after the box has changed.
    void boxClicked(int side);
    // The Empty button.
    void emptyClicked();

private:
    void flipBack(int side);
    void writeFlag(int side);

    CompressionHost *m_host;
};
