// The keys of the window properties that carry a styled button's state, shared by the
// styling and the drawing. Each per-state set is indexed by ButtonState.
#pragma once

inline constexpr char IsStyledKey[] = "ODNB::Is";
inline constexpr char FlatKey[] = "ODNB::Flat";
inline constexpr char OldProcedureKey[] = "ODNB::OldProcedure";
inline constexpr char IsTrackedKey[] = "ODNB::IsTracked";

inline constexpr const char* ColorKeys[] = {"ODNB::Color", "ODNB::Color::Hot", "ODNB::Color::Down",
                                            "ODNB::Color::Off"};
inline constexpr const char* AlphaKeys[] = {"ODNB::Alpha", "ODNB::Alpha::Hot", "ODNB::Alpha::Down",
                                            "ODNB::Alpha::Off"};
inline constexpr const char* IsShadowKeys[] = {"ODNB::IsShadow", "ODNB::IsShadow::Hot",
                                               "ODNB::IsShadow::Down", "ODNB::IsShadow::Off"};
inline constexpr const char* ShadowKeys[] = {"ODNB::Shadow", "ODNB::Shadow::Hot",
                                             "ODNB::Shadow::Down", "ODNB::Shadow::Off"};
