#pragma once
// What the user is told about level triggers, in one place so the texts join the catalog.
namespace velatrace {

// Refusals of the capture settings dialog's level-trigger rows ("%d" the row, "%s" the text).
inline constexpr const char* kTriggerLevelNotNumber =
    "Level trigger %d: the level \"%s\" is not a number.";
inline constexpr const char* kTriggerHysteresisNotNumber =
    "Level trigger %d: the hysteresis \"%s\" is not a number.";
inline constexpr const char* kTriggerHysteresisNegative =
    "Level trigger %d: the hysteresis cannot be below 0.";

}  // namespace velatrace
