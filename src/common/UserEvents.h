// The SDL user events that carry notices from timer and audio callbacks to
// the main thread, where the event loop hands them to their owners.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace velmora {

constexpr uint8_t EVENT_WAIT_TIMER = SDL_USEREVENT;         // 24: the wait timer fired
constexpr uint8_t EVENT_MUSIC_FINISHED = SDL_USEREVENT + 1; // 25: the music ended by itself
constexpr uint8_t EVENT_CD_TIMER = SDL_USEREVENT + 2;       // 26: a CD track's time is over
constexpr uint8_t EVENT_CHANNEL_FINISHED =
    SDL_USEREVENT + 4;                                  // 28: code = channel, data1 = generation
constexpr uint8_t EVENT_WAIT_DONE = SDL_USEREVENT + 5;  // 29: nothing is left to wait for
constexpr uint8_t EVENT_FADE_TIMER = SDL_USEREVENT + 6; // 30: code = the fade's direction

} // namespace velmora
