// The functions of FluidSynth that the music device calls, looked up in the library it loads
// (dlopen): FluidSynth is not linked.
#pragma once

#include <fluidsynth.h>

#include <string>

namespace platform {

#define PELIRRA_FLUIDSYNTH_FUNCTIONS(F)                                                            \
    F(fluid_set_log_function)                                                                      \
    F(new_fluid_settings)                                                                          \
    F(delete_fluid_settings)                                                                       \
    F(fluid_settings_setstr)                                                                       \
    F(fluid_settings_setint)                                                                       \
    F(fluid_settings_setnum)                                                                       \
    F(fluid_settings_getnum)                                                                       \
    F(new_fluid_synth)                                                                             \
    F(delete_fluid_synth)                                                                          \
    F(fluid_synth_sfload)                                                                          \
    F(fluid_synth_system_reset)                                                                    \
    F(fluid_synth_all_notes_off)                                                                   \
    F(fluid_synth_count_midi_channels)                                                             \
    F(fluid_synth_cc)                                                                              \
    F(fluid_synth_process)                                                                         \
    F(fluid_synth_write_float)                                                                     \
    F(fluid_synth_write_s16)                                                                       \
    F(new_fluid_audio_driver2)                                                                     \
    F(delete_fluid_audio_driver)                                                                   \
    F(new_fluid_player)                                                                            \
    F(delete_fluid_player)                                                                         \
    F(fluid_player_add_mem)                                                                        \
    F(fluid_player_set_tick_callback)                                                              \
    F(fluid_player_play)                                                                           \
    F(fluid_player_stop)                                                                           \
    F(fluid_player_get_status)                                                                     \
    F(fluid_player_get_total_ticks)

struct FluidSynthLibrary
{
#define PELIRRA_DECLARE(name) decltype(&::name) name = nullptr;
    PELIRRA_FLUIDSYNTH_FUNCTIONS(PELIRRA_DECLARE)
#undef PELIRRA_DECLARE
};

// The library `file` (as dlopen finds it) with every function looked up, its log and the ALSA
// library's complaints silenced; null when it cannot be loaded or lacks a function. Loaded once:
// later calls give the same table.
const FluidSynthLibrary* loadFluidSynth(const std::string& file);

} // namespace platform
