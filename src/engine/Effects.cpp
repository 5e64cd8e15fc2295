// Running a screen change: the effect argument of a picture command, the
// before and after pictures, one frame after another until the effect's
// time is up or the player clicks, and the shake commands.
#include <algorithm>
#include <cstdio>
#include <string_view>

#include "common/Exit.h"
#include "engine/Velmora.h"
#include "graphics/EffectFrames.h"
#include "graphics/PictureSurface.h"

namespace velmora {

namespace {

constexpr int32_t EFFECT_NONE = 0;
constexpr int32_t EFFECT_INSTANT = 1;
constexpr int32_t EFFECT_CROSSFADE = 10;
constexpr int32_t EFFECT_MASK_HARD = 15;
constexpr int32_t EFFECT_MASK_SOFT = 18;
constexpr int32_t EFFECT_DLL = 99;
constexpr int32_t EFFECT_SHAKE_VERTICAL = 256;
constexpr int32_t EFFECT_SHAKE_HORIZONTAL = 257;
constexpr int32_t EFFECT_SHAKE_RANDOM = 258;

bool isBreakupName(const std::string& name) {
    return std::string_view(name).starts_with("breakup.dll");
}

// Scrolls and mosaics move or cover every pixel of the screen.
bool redrawsWholeScreen(int32_t type) {
    return (type >= 11 && type <= 14) || type == 16 || type == 17;
}

} // namespace

const EffectSpec& Velmora::resolveEffect() {
    inline_effect.picture.clear();
    // No shake amplitude is left over from an earlier quake.
    inline_effect.id = 0;
    const int32_t count = readEffectArgument(inline_effect);
    const int32_t type = inline_effect.type;
    if (count > 1 || type == 0 || type == 1) return inline_effect;
    // The first record is the root of the table, not a defined effect.
    for (size_t i = 1; i < effect_list.size(); ++i)
        if (effect_list[i].id == type) return effect_list[i];
    std::fprintf(stderr, "Effect No. %d is not found.\n", type);
    exitProcess(-1);
}

int32_t Velmora::workingEffectType(const EffectSpec& effect) const {
    if (effectcut && ((skip_mode & SKIP_TEXT) || input.ctrl_held != 0)) return EFFECT_INSTANT;
    return effect.type;
}

bool Velmora::startEffect(const EffectSpec& effect, bool refresh_target, bool use_windowless) {
    if (effect.type == EFFECT_NONE) return true;
    const LayerSettings settings = layerSettings();
    if (use_windowless)
        screen.compose(screen.windowless_surface, &screen.damage.area, REFRESH_PICTURES, settings);
    const int32_t type = workingEffectType(effect);
    copyArea(screen.compose_surface, screen.effect_source_surface, screen.bounds());
    const bool breakup_wanted = type == EFFECT_DLL && isBreakupName(effect.picture);
    bool instant_target = false;
    if (refresh_target) {
        const uint32_t flags = screen.refreshFlags();
        // A whole-screen effect shows every pixel of the target, so all of it
        // must be current, not only the damaged part.
        if (redrawsWholeScreen(type) || breakup_wanted)
            screen.compose(screen.effect_target_surface, nullptr, flags, settings);
        else if (use_windowless && flags == REFRESH_PICTURES)
            copyArea(screen.windowless_surface, screen.effect_target_surface, screen.damage.area);
        else if (type == EFFECT_INSTANT) {
            screen.compose(screen.effect_target_surface, &screen.damage.area, flags, settings);
            instant_target = true;
        } else
            screen.compose(screen.effect_target_surface, nullptr, flags, settings);
    }
    effect_progress.mask_ready = false;
    effect_progress.breakup_ready = false;
    if (!instant_target) {
        if (type == EFFECT_MASK_HARD || type == EFFECT_MASK_SOFT) {
            if (effect_mask.tag_string != effect.picture || !effect_mask.surface) {
                effect_mask.restoreDefaults();
                effect_mask.setTagString(effect.picture);
                if (!effect.picture.empty()) parseAndLoad(effect_mask);
            }
            effect_progress.mask_ready = effect_mask.surface != nullptr;
        }
        if (redrawsWholeScreen(type)) screen.damageAll();
        if (type == EFFECT_DLL && !effect.picture.empty()) {
            std::printf("dll effect: Got dll '%s'\n", effect.picture.c_str());
            if (breakup_wanted) {
                breakup.setUp(effect.picture, screen.effect_source_surface,
                              screen.effect_target_surface);
                effect_progress.breakup_ready = true;
            }
            screen.damageAll();
        }
    }
    effect_progress.area = screen.damage.area;
    effect_progress.elapsed = 0;
    effect_progress.fallback_reported = false;
    int32_t length = effect.duration;
    if ((skip_mode & SKIP_TEXT) || input.ctrl_held != 0) {
        if (effectcut)
            length = 0;
        else if (length <= 10)
            length = 1;
        else if (length <= 100)
            length = 10;
        else
            length /= 10;
    }
    effect_progress.length = length;
    return false;
}

void Velmora::drawEffectFrame(const EffectSpec& effect, int32_t type) {
    FrameInput in;
    in.before = screen.effect_source_surface;
    in.after = screen.effect_target_surface;
    in.target = screen.compose_surface;
    in.area = effect_progress.area;
    in.elapsed = effect_progress.elapsed;
    in.length = effect_progress.length;
    in.scale_num = scale_num;
    in.scale_den = scale_den;
    bool substituted = false;
    switch (type) {
    case EFFECT_NONE:
    case EFFECT_INSTANT: break;
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9: drawWipe(in, type); break;
    case EFFECT_CROSSFADE: drawCrossfade(in); break;
    case 11:
    case 12:
    case 13:
    case 14: drawScroll(in, type); break;
    case EFFECT_MASK_HARD:
    case EFFECT_MASK_SOFT:
        // A mask that cannot be loaded leaves a plain crossfade.
        if (effect_progress.mask_ready)
            drawMaskBlend(in, effect_mask.surface, type == EFFECT_MASK_SOFT);
        else
            drawCrossfade(in);
        break;
    case 16:
    case 17: drawMosaic(in, type); break;
    case EFFECT_DLL:
        if (effect_progress.breakup_ready) {
            breakup.drawFrame(in);
        } else {
            drawCrossfade(in);
            substituted = true;
        }
        break;
    case EFFECT_SHAKE_VERTICAL:
    case EFFECT_SHAKE_HORIZONTAL: drawShake(in, type, effect.id); break;
    case EFFECT_SHAKE_RANDOM: {
        const int32_t dx = randomShakeOffset(random.next(), effect.id);
        const int32_t dy = randomShakeOffset(random.next(), effect.id);
        drawRandomShake(in, dx, dy);
        break;
    }
    default:
        drawCrossfade(in);
        substituted = true;
        break;
    }
    if (substituted && effect_progress.elapsed == 0 && !effect_progress.fallback_reported) {
        std::printf("effect No. %d not implemented; substituting crossfade\n", type);
        effect_progress.fallback_reported = true;
    }
}

bool Velmora::effectFrame(const EffectSpec& effect, bool clear_after) {
    const uint32_t now = effect_clock();
    if (effect_progress.elapsed == 0) effect_progress.last_tick = now - 1;
    effect_progress.step = static_cast<int32_t>(now - effect_progress.last_tick);
    effect_progress.last_tick = now;
    const int32_t type = workingEffectType(effect);
    if (type == EFFECT_SHAKE_VERTICAL || type == EFFECT_SHAKE_HORIZONTAL)
        effect_progress.step =
            std::min(effect_progress.step, shakeStepLimit(effect_progress.length, effect.id));
    // An effect without length has nothing between its ends to draw.
    if (effect_progress.length > 0) drawEffectFrame(effect, type);
    effect_progress.elapsed = static_cast<int32_t>(std::min<int64_t>(
        int64_t{effect_progress.elapsed} + std::max(effect_progress.step, 0), INT32_MAX));

    // A click or key during the effect skips the rest of it.
    input.event_mode = WAIT_CLICK;
    input.button_string.clear();
    runWait(0);
    if (!input.automode && input.autoclick_time <= 0 && input.button_string != "TIMEOUT")
        effect_progress.elapsed = effect_progress.length;

    const LayerSettings settings = layerSettings();
    if (effect_progress.elapsed < effect_progress.length && type != EFFECT_INSTANT) {
        if (type != EFFECT_NONE) screen.show(screen.damage.area, 0, settings);
        return true;
    }
    copyArea(screen.effect_target_surface, screen.compose_surface, effect_progress.area);
    if (type != EFFECT_NONE) screen.showDamage(0, nullptr, clear_after, false, settings);
    if (type == EFFECT_INSTANT) effect_progress.elapsed = 0;
    skip_mode &= ~SKIP_SHOW_REST;
    input.event_mode = 0;
    if (effect_blank != 0 && effect_progress.elapsed != 0) runWait(effect_blank);
    return false;
}

void Velmora::runEffect(const EffectSpec& effect, bool refresh_target, bool use_windowless,
                        bool clear_after) {
    // Without the media layer (an engine that never opened its window) there
    // is nothing to show and no clock to run a transition by.
    if (!screen.compose_surface || SDL_WasInit(SDL_INIT_TIMER) == 0) return;
    if (startEffect(effect, refresh_target, use_windowless)) return;
    while (effectFrame(effect, clear_after)) {
    }
}

int32_t Velmora::quakeCommand() {
    const int32_t type = script.tokenIs("quakey")   ? EFFECT_SHAKE_VERTICAL
                         : script.tokenIs("quakex") ? EFFECT_SHAKE_HORIZONTAL
                                                    : EFFECT_SHAKE_RANDOM;
    const int32_t amplitude = script.readInteger();
    const int64_t duration = std::max<int64_t>(script.readInteger(), int64_t{amplitude} * 4);
    inline_effect.type = type;
    inline_effect.id = amplitude;
    inline_effect.duration = static_cast<int32_t>(std::min<int64_t>(duration, INT32_MAX));
    inline_effect.picture.clear();
    screen.damageAll();
    copyArea(screen.compose_surface, screen.effect_target_surface, screen.bounds());
    runEffect(inline_effect);
    return RESULT_PROCEED;
}

} // namespace velmora
