#include "panels/EditPanels.h"

#include "engine/PlaybackController.h"
#include "panels/EffectWindow.h"
#include "panels/FadeSettingWindow.h"
#include "panels/MuteNoiseWindow.h"
#include "panels/VolumeWindow.h"
#include "timeline/TimelineView.h"
#include "window/MainWindow.h"

namespace wavomer::app {

namespace {

PanelContext contextOf(MainWindow& window) {
    return PanelContext{window.document().engine(), window.document().outputDevice(), [w = &window] {
                            w->timeline().reloadView();
                            w->refreshState();
                        }};
}

template <typename Panel>
void runPanel(MainWindow& window) {
    Panel panel(contextOf(window), &window);
    panel.open();
    panel.exec();
}

}  // namespace

bool openEditPanel(MainWindow& window, const QString& id) {
    if (id == QLatin1String("showVolumeSettingWindowAction")) return runPanel<VolumeWindowController>(window), true;
    if (id == QLatin1String("showCustomFadeAction")) return runPanel<FadeSettingWindowController>(window), true;
    if (id == QLatin1String("showEffectSettingWindowAction")) return runPanel<EffectWindowController>(window), true;
    const bool mute = id == QLatin1String("insertMuteAction");
    if (mute || id == QLatin1String("insertNoiseAction")) {
        window.document().playback().pause();
        MuteNoiseWindowController dialog(window.document().engine(), &window);
        dialog.afterInsert = [w = &window] {
            w->timeline().reloadView();
            w->refreshState();
        };
        dialog.updateWindowWithMute(mute);
        dialog.exec();
        window.refreshState();
        return true;
    }
    return false;
}

}  // namespace wavomer::app
