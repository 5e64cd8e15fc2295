// Bringing up the media layer: SDL and its subsystems, the window with its
// icon and caption, the audio device, the CD-ROM drive and the story font,
// then the define section. Also the caption command.
#include <SDL.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>

#include <cstdio>
#include <cstdlib>

#include "common/Exit.h"
#include "engine/Velmora.h"
#include "engine/Version.h"
#include "graphics/PictureSurface.h"
#include "text/FontCache.h"
#include "text/FontLookup.h"
#include "text/ShiftJis.h"

namespace velmora {

namespace {

// Audio is started on its own afterwards (startAudio): a game runs without
// sound when there is none, but not without a window.
constexpr uint32_t INIT_FLAGS = SDL_INIT_TIMER | SDL_INIT_VIDEO;
constexpr int AUDIO_FREQUENCY = 44100;
constexpr int AUDIO_CHUNK_SAMPLES = 4096;
constexpr int MIXER_CHANNELS = 54;
constexpr int ICON_SIZE = 32;

// The window icon, drawn rather than stored: a light "V" on a deep blue tile
// with a transparent margin.
SDL_Surface* buildWindowIcon() {
    SDL_Surface* icon = createSurface32(ICON_SIZE, ICON_SIZE, ENGINE_FORMAT_CODE);
    if (!icon) return nullptr;
    SurfaceLock lock(icon);
    if (!lock.locked()) {
        SDL_FreeSurface(icon);
        return nullptr;
    }
    for (int y = 0; y < ICON_SIZE; ++y) {
        uint32_t* row = pixelRow(icon, y);
        for (int x = 0; x < ICON_SIZE; ++x) {
            const bool margin = x < 2 || y < 2 || x >= ICON_SIZE - 2 || y >= ICON_SIZE - 2;
            // Two strokes meeting at the bottom centre, 3 pixels wide.
            const int left_stroke = 6 + (y - 6) * 9 / 20;
            const int right_stroke = ICON_SIZE - 1 - left_stroke;
            const bool stroke = y >= 6 && y <= 26 &&
                                (std::abs(x - left_stroke) <= 1 || std::abs(x - right_stroke) <= 1);
            row[x] = margin ? 0u : stroke ? 0xfff0e6c8u : 0xff243c78u;
        }
    }
    return icon;
}

} // namespace

void Velmora::shutdownMediaLayer() {
    if (Mix_QuerySpec(nullptr, nullptr, nullptr)) Mix_CloseAudio();
    if (SDL_WasInit(0)) SDL_Quit();
}

void Velmora::closeWindow() {
    // The window goes (restoring the display mode); the audio device is left
    // to the process's end, since closing it waits for the mixer thread.
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void Velmora::applyVideoMode() {
    const uint32_t flags = fullscreen ? SDL_FULLSCREEN : 0;
    SDL_Surface* surface = SDL_SetVideoMode(screen_width, screen_height, screen_bpp, flags);
    if (!surface) {
        std::fprintf(stderr, "Couldn't set %dx%dx%d video mode: %s\n", screen_width, screen_height,
                     screen_bpp, SDL_GetError());
        exitProcess(-1);
    }
    screen.screen_surface = surface;
}

void Velmora::initMediaLayer() {
    settlePlayerSettings();
    if (SDL_Init(INIT_FLAGS) < 0) {
        std::fprintf(stderr, "Couldn't initialize SDL: %s\n", SDL_GetError());
        exitProcess(-1);
    }
    // The mixer plays on a thread of its own, which must never see the
    // process's static objects torn down: from here on the process ends at once.
    setQuickExit(closeWindow);
    media_started = true;
    if (cdaudio_on && SDL_InitSubSystem(SDL_INIT_CDROM) < 0) {
        std::fprintf(stderr, "Couldn't initialize CD-ROM: %s\n", SDL_GetError());
        exitProcess(-1);
    }
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0 && SDL_NumJoysticks() > 0 && SDL_JoystickOpen(0))
        std::printf("Initialize JOYSTICK\n");
    if (TTF_WasInit() == 0 && TTF_Init() < 0) {
        std::fprintf(stderr, "can't initialize SDL TTF\n");
        exitProcess(-1);
    }
    // The icon must be set before the window opens.
    if (SDL_Surface* icon = buildWindowIcon()) {
        SDL_WM_SetIcon(icon, nullptr);
        SDL_FreeSurface(icon);
    }

    screen_height =
        static_cast<int32_t>(int64_t{screen_width} * script.screen_height / script.screen_width);
    window_pixel_width = screen_width;
    window_pixel_height = screen_height;
    screen_bpp = 32;
    applyVideoMode();
    surface_format = ENGINE_FORMAT_CODE;
    underline_value = script.screen_height;
    std::printf("Display: %d x %d (%d bpp)\n", screen_width, screen_height, screen_bpp);
    reportWindowScaling();

    screen.damage.setBounds(screen_width, screen_height);
    window_title = window_icon_title = PROGRAM_NAME;
    SDL_WM_SetCaption(window_title.c_str(), window_icon_title.c_str());
}

void Velmora::startAudio() {
    // A missing or mistyped audio driver fails here, the same as a missing device.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0 ||
        Mix_OpenAudio(AUDIO_FREQUENCY, AUDIO_S16LSB, 2, AUDIO_CHUNK_SAMPLES) < 0) {
        std::fprintf(stderr, "Couldn't open audio device!\n  reason: [%s].\n", SDL_GetError());
        audio_open = false;
        return;
    }
    int frequency = 0;
    uint16_t format = 0;
    int channels = 0;
    Mix_QuerySpec(&frequency, &format, &channels);
    std::printf("Audio: %d Hz %d bit %s\n", frequency, format & 0xff,
                channels > 1 ? "stereo" : "mono");
    audio_spec = AudioSpec{frequency, format, static_cast<uint8_t>(channels)};
    audio_open = true;
    Mix_AllocateChannels(MIXER_CHANNELS);
    sound.open(music_cmd);
}

void Velmora::openCdrom() {
    if (cdrom_drive >= 0 && cdrom_drive < SDL_CDNumDrives()) cdrom = SDL_CDOpen(cdrom_drive);
    if (!cdrom) {
        std::fprintf(stderr, "Couldn't open default CD-ROM: %s\n", SDL_GetError());
    } else if (SDL_CDStatus(cdrom) < 1) {
        std::fprintf(stderr, "no CD-ROM in the drive\n");
        SDL_CDClose(cdrom);
        cdrom = nullptr;
    }
}

int32_t Velmora::initialise() {
    loadScriptedInput();
    initMediaLayer();
    startAudio();
    if (!screen.createSurfaces(screen_width, screen_height)) {
        std::fprintf(stderr, "Couldn't create the %dx%d screen surfaces: %s\n", screen_width,
                     screen_height, SDL_GetError());
        exitProcess(-1);
    }
    font_path = chooseFontPath(font_file, archive_path, systemFontPath());
    if (cdaudio_on) openCdrom();
    sound.setCdrom(cdaudio_on, cdrom);
    timer_base = SDL_GetTicks();

    const bool was_fullscreen = fullscreen;
    readEnvironmentFile();
    if (fullscreen != was_fullscreen) applyVideoMode();
    definereset();
    fetchToken();

    if (!openFace(story_font, font_path, scale_num, scale_den)) {
        std::fprintf(stderr, "can't open font file: %s\n", font_path.c_str());
        return -1;
    }
    return 0;
}

int32_t Velmora::captionCommand() {
    const char* text = script.readStr();
    window_title = window_icon_title = sjisToUtf8(text);
    SDL_WM_SetCaption(window_title.c_str(), window_icon_title.c_str());
    return RESULT_PROCEED;
}

} // namespace velmora
