// The panel's common dialogs as its windows use them.
#include "paneldialogs.h"

#include "core/settings/configerror.h"

bool PanelDialogs::guarded(const std::function<void()> &body)
{
    try {
        body();
        return true;
    } catch (const ConfigError &e) {
        registryFailed(e);
        return false;
    }
}
