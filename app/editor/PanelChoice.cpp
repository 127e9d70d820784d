#include "editor/PanelChoice.h"

#include "document/ViewState.h"

namespace hummwell {

bool panelChoiceAllowed(ViewState& v, Setting s, int value) {
    if (s != Setting::MidiChannel) return true;
    if (value != v.setting(Setting::MeasureTickChannel) && value != v.setting(Setting::BeatTickChannel))
        return true;
    v.prompt.error(kRecordingChannelConflict, PromptIcon::Exclamation);
    v.surface.showSetting(Setting::MidiChannel, v.setting(Setting::MidiChannel));
    return false;
}

}  // namespace hummwell
