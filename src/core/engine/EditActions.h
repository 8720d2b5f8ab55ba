// The model-level halves of the main window's commands and of the OK buttons of the
// fade, volume and effect panels: the window and the command-line tool call these
// same functions, so both edit the project the same way. Each is one user event.
//
// Threads: main thread only.
#pragma once

#include <optional>
#include <string_view>

#include "engine/WaveEditViewController.h"

namespace wavomer::EditActions {

// Mutes every selected section (it does not toggle).
void muteButtonAction(WaveEditViewController& engine);
// Fade mode 1 or 2 over the selected range on every selected section.
void fadeInButtonAction(WaveEditViewController& engine);
void fadeOutButtonAction(WaveEditViewController& engine);
// A fade level typed, dragged or given: at most 1, then at least 0, in single
// precision; a value that is not a number is 0.
double clampFadeLevel(double level);
// The custom fade panel's OK: mode 3 from startValue to stopValue over the range.
void saveCustomFadeToSections(WaveEditViewController& engine, double startValue, double stopValue);
// The volume panel's OK: every selected section's volume times factor.
void applyVolumeFactor(WaveEditViewController& engine, double factor);
// The effect panel's OK: every selected section gets effectDic (none removes).
void applyEffect(WaveEditViewController& engine, const std::optional<EffectDic>& effectDic);

// The effectDic the effect panel applies for an effect whose sliders start at the
// catalogue defaults and are then set to overrides: each value as a slider row holds
// it (rounded as the row shows it, within the slider's range). A failure for an
// unknown effect or parameter.
Outcome<EffectDic> effectDicFromPanel(const std::string& name,
                                      const std::vector<std::pair<std::string, double>>& overrides);
// An effect parameter as its row shows it: whole numbers from 100 (and for an "index"),
// one decimal from 10, two from 1, three from 0.1, four below.
double roundEffectValue(double value, std::string_view unit);
// A slider row's value: rounded to what the row displays, clamped to its range.
double effectRowValue(double minimum, double maximum, const std::string& unit, double value);

// A marker at the cursor; it becomes the selected marker unless playing.
MarkerPtr addMarkAction(WaveEditViewController& engine);
// Adds a marker at each time (as one change, so one undo step inside a user event),
// leaving out times within 0.001 s of a marker there already or added just before;
// answers how many were added.
size_t addMarkersAtTimes(WaveEditViewController& engine, const std::vector<double>& times);
void lastMarkAction(WaveEditViewController& engine);
void nextMarkAction(WaveEditViewController& engine);
// The Delete key with a marker selected: removes it and clears the selection.
bool deleteSelectedMarker(WaveEditViewController& engine);
// The Delete key: the selected marker if there is one, otherwise the selected range.
void deleteKeyAction(WaveEditViewController& engine);

void addTrackFunction(WaveEditViewController& engine);
// Deletes the selected tracks once the host confirms; false when nothing happened.
bool deleteTrackFunction(WaveEditViewController& engine);

}  // namespace wavomer::EditActions
