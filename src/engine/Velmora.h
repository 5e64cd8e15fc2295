// The engine: one object that owns everything from start to exit.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/WindowScaling.h"
#include "engine/WordWrapSetting.h"
#include "graphics/PictureLoader.h"
#include "graphics/Screen.h"
#include "input/ButtonList.h"
#include "input/InputState.h"
#include "input/ScriptedInput.h"
#include "interp/CommandInterpreter.h"
#include "interp/RandomSource.h"
#include "persist/SaveFile.h"
#include "sound/SoundSystem.h"
#include "text/GlyphRenderer.h"
#include "text/LookbackPages.h"
#include "text/TextRenderContext.h"
#include "text/TextState.h"

namespace velmora {

class Velmora;
using CommandHandler = int32_t (Velmora::*)();

// One built-in command: its lower-case name, its handler and, for a command
// that only the define section may run, the parse error it stops with elsewhere.
struct CommandEntry {
    char name[32];
    CommandHandler handler;
    const char* define_only = nullptr; // null: the command runs anywhere
};

class Velmora : public CommandInterpreter {
  public:
    Velmora();
    // An engine that started the media layer closes it (engines inside tests).
    ~Velmora();

    // Applies the command line; prints usage or version and exits where asked.
    void parseCommandLine(int argc, char** argv);
    // Key table, reader and script load; runs once. 0 or -1.
    int32_t prepareScript();
    // Brings up the media layer and enters the define section. 0 or -1.
    int32_t initialise();
    // The execution loop; leaves only by ending the process.
    [[noreturn]] void executeLabel();
    // Classifies the current token and runs it; returns a result code.
    int32_t Parseline();
    // readToken plus the line-page handling; resets token_offset.
    void fetchToken();

    // The built-in command of that exact lower-case name, or null.
    const CommandEntry* findCommand(const char* name) const;
    // Reports a command that this version does not carry out and skips its statement.
    int32_t unsupportedCommand();

    // Value commands of the engine.
    int32_t rndCommand();   // rnd, rnd2
    int32_t splitCommand(); // split, splitstring
    int32_t getversionCommand();
    RandomSource random;

    // Host-file commands: the game's registry, DLL and INI files answer in
    // place of the host.
    int32_t fileexistCommand();
    int32_t getregCommand();
    int32_t execDllCommand();
    int32_t getretCommand();
    int32_t getiniCommand();
    // The text of a side file under the game directory; reports one that does not open.
    std::optional<std::string> readHostFile(const std::string& name) const;
    // The last text exec_dll read, for getret; its number is input.getret_value.
    std::string getret_str;

    // Control-flow commands of the engine.
    int32_t jumpfCommand();
    int32_t jumpbCommand();
    int32_t tablegotoCommand();
    int32_t gameCommand();
    int32_t resetCommand();
    int32_t defineresetCommand();
    // The quit sequence: the side files, the media layer, status 0.
    [[noreturn]] int32_t endCommand();
    // Returns to the define section with the script state cleared.
    void definereset();
    // The reset shared by game, reset and definereset: local variables, the
    // call stack and the execution state. Each subsystem adds its own reset here.
    void resetEngineState();
    // Restarts the game at the label start.
    void restartGame();

    // Command-line settings.
    bool cdaudio_on = false;
    int32_t cdrom_drive = 0;
    std::string font_file;
    std::string registry_file = "registry.txt";
    std::string dll_file = "dll.txt";
    std::string archive_path;
    // fullscreen, window_requested and force_button_shortcut live in CommandInterpreter.
    bool wheeldown_advance = false;
    bool disable_rescale = false;
    bool render_outline = false;
    bool edit_enabled = false;
    std::string key_exe_file;
    // --scale and --scale-filter; what they leave unset comes from the settings file.
    WindowScaling window_scaling;
    // --word-wrap and --no-word-wrap, likewise kept in the settings file.
    WordWrapSetting word_wrap;

    int32_t screen_width = DEFAULT_SCREEN_WIDTH;
    int32_t screen_height = DEFAULT_SCREEN_HEIGHT;

    // ---- Media layer ----
    // SDL, the joystick, the font library, the icon, the window; ends the
    // process when one of them fails.
    void initMediaLayer();
    // The audio device and its channels; without one the game runs silent.
    void startAudio();
    // Opens the window at the screen size, full screen when asked.
    void applyVideoMode();
    // Settles the window scaling and word wrap before SDL starts: the command
    // line's choices are saved in the settings file, and what it leaves unset is
    // read from there.
    void settlePlayerSettings();
    // Prints the window's size when it is scaled, as the media layer reports it.
    void reportWindowScaling();
    void openCdrom();
    // Closes the audio device, then the rest of the media layer; safe to repeat.
    static void shutdownMediaLayer();
    // Closes only the window: the way out of a process that ends at once.
    static void closeWindow();
    int32_t captionCommand();

    struct AudioSpec {
        int32_t frequency = 0;
        uint16_t format = 0;
        uint8_t channels = 0;
    };
    int32_t window_pixel_width = DEFAULT_SCREEN_WIDTH;
    int32_t window_pixel_height = DEFAULT_SCREEN_HEIGHT;
    int32_t screen_bpp = 32;
    int32_t surface_format = ENGINE_FORMAT_CODE;
    bool audio_open = false;
    AudioSpec audio_spec;
    SDL_CD* cdrom = nullptr;
    std::string font_path;
    std::string window_title = "Velmora";
    std::string window_icon_title = "Velmora";
    std::string music_cmd; // MUSIC_CMD at start: the player for MIDI music
    uint32_t timer_base = 0;

    // ---- Pictures and the screen ----
    // What the composition needs from the text window and the event loop.
    LayerSettings layerSettings() const;
    // Parses the picture's tag string into its description; nothing without one.
    void parseTaggedImage(AnimImage& image);
    // Gives the picture the pixels its description names, unless it already has them.
    void loadPicture(AnimImage& image);
    void parseAndLoad(AnimImage& image) {
        parseTaggedImage(image);
        loadPicture(image);
    }
    // Rebuilds the background picture from screen.background_name.
    void buildBackground();
    // Loads click-wait cursor 0 (click wait) or 1 (page wait) from `tag`, or
    // from the game's default cursor file when `tag` is null.
    void setCursorImage(int32_t number, const char* tag, int32_t x, int32_t y, bool absolute);
    // Script coordinates to screen pixels.
    int32_t toScreen(int32_t value) const;
    void placeOnScreen(AnimImage& image, int32_t x, int32_t y);

    // Reads an effect argument; a lone number other than 0 and 1 names a
    // defined effect, and one that is not defined ends the game.
    const EffectSpec& resolveEffect();
    // Runs an effect to its end over the damaged area. Picture commands let it
    // compose the after picture; the text window prepares its own and keeps
    // the damage.
    void runEffect(const EffectSpec& effect, bool refresh_target = true, bool use_windowless = true,
                   bool clear_after = true);
    // Prepares a transition over the damage; true when nothing needs to run (type 0).
    bool startEffect(const EffectSpec& effect, bool refresh_target, bool use_windowless);
    // Draws and shows one frame; false once the effect has finished.
    bool effectFrame(const EffectSpec& effect, bool clear_after);
    // The type an effect runs as: instant while skipping with effectcut.
    int32_t workingEffectType(const EffectSpec& effect) const;
    // Draws the frame of `type` at the current progress into the composition surface.
    void drawEffectFrame(const EffectSpec& effect, int32_t type);
    int32_t quakeCommand(); // quake, quakex, quakey
    EffectProgress effect_progress;
    std::function<uint32_t()> effect_clock = [] { return SDL_GetTicks(); }; // ms; tests replace it
    AnimImage effect_mask; // the mask picture of the last mask fade, kept while its tag repeats
    Breakup breakup;       // the breakup's tables, kept for the life of the engine

    int32_t bgCommand();
    int32_t ldCommand();
    int32_t clCommand();
    int32_t lspCommand();  // lsp, lsph
    int32_t lsp2Command(); // lsp2, lsph2 and their add and sub forms
    int32_t cspCommand();  // csp, csp2
    int32_t printCommand();
    int32_t negaCommand();
    int32_t monocroCommand();
    // Sprite n (rotated when asked), or null when n is outside the slots.
    AnimImage* spriteAt(int32_t n, bool rotated);
    // Hides or shows sprite n and selects a cell (when >= 0), damaging it
    // when anything changes or it overlaps one of the given areas.
    void setSpriteState(int32_t n, bool visible, int32_t cell, const SDL_Rect* area1,
                        const SDL_Rect* area2);
    // Runs a sprite control string (hide, show, move, sound letters).
    void runExbtnControl(const char* control, const SDL_Rect* area1, const SDL_Rect* area2);
    // Draws a Text picture's string into a new surface, one cell per colour;
    // `layout` (when given) is the layout to copy, and gets the pen back.
    void loadTextPicture(AnimImage& image, FontState* layout);
    int32_t vspCommand(); // vsp, vsp2
    int32_t mspCommand(); // msp, msp2, amsp, amsp2
    int32_t cellCommand();
    int32_t spreloadCommand();
    int32_t allsphideCommand();  // allsphide, allspresume
    int32_t allsp2hideCommand(); // allsp2hide, allsp2resume
    int32_t getspsizeCommand();
    int32_t getspposCommand();
    int32_t getspmodeCommand();
    int32_t spRgbGradationCommand();
    int32_t spstrCommand();
    int32_t talCommand();
    int32_t humanorderCommand();
    int32_t bgcpyCommand();  // bgcpy, bgcopy
    int32_t ofscpyCommand(); // ofscpy, ofscopy
    int32_t strspCommand();  // strsp, strsph
    int32_t logspCommand();  // logsp, logsp2
    int32_t prnumCommand();
    int32_t prnumclearCommand();
    int32_t barCommand();
    int32_t barclearCommand();
    // Makes bar or number display n (in range) from its settings, replacing
    // the one there: the bar and prnum commands, and a loaded game.
    void buildBar(int32_t n, const SavedBar& settings);
    void buildNumber(int32_t n, const SavedNumber& settings);
    int32_t drawclearCommand();
    int32_t drawfillCommand();
    int32_t drawbgCommand();
    int32_t drawbg2Command();
    int32_t drawspCommand();
    int32_t drawsp2Command();
    int32_t drawsp3Command();
    int32_t drawtextCommand();
    int32_t drawCommand();
    int32_t bltCommand();
    int32_t repaintCommand();
    int32_t getscreenshotCommand();
    int32_t savescreenshotCommand(); // savescreenshot, savescreenshot2

    // ---- Waiting and input ----
    // Waits for input or time as `input.event_mode` says; ms -1 waits without
    // limit. True when the wait moved the script elsewhere (a loaded game).
    bool runWait(int32_t ms);
    // The same wait, never opening the system menus.
    void runWaitPlain(int32_t ms);
    void startWaitTimer();
    void replaceWaitTimer(int32_t ms);
    // Handles events until one ends the wait.
    void pumpEvents();
    void endWaitByTime();
    bool onMouseButton(const SDL_MouseButtonEvent& event);
    bool onMouseMotion(const SDL_MouseMotionEvent& event);
    bool onModifierDown(const SDL_KeyboardEvent& event);
    void onModifierUp(const SDL_KeyboardEvent& event);
    bool onKey(const SDL_KeyboardEvent& event);
    // A key released while the edit mode is open, or `z` that opens it.
    void onEditKey(SDLKey key);
    EditView editView();
    // The result of a released key from the table of keys; 0 when none applies.
    int32_t keyResult(SDLKey key, const char*& text);
    void setResult(int32_t result, const char* text);
    // Ends the wait for a click when the wait takes clicks.
    bool acceptClick();
    void requestRightClickMenu();
    // Result of a click or Return: the button under the mouse, or 0.
    bool chooseButtonUnderMouse(const char* no_button_text);
    int32_t buttonUnderMouse() const;
    // Jumps to the trap label unless the trap is stopped.
    bool fireTrap();
    void eraseClickCursor();
    bool finishWait();
    void switchVideoMode(bool full);
    // Lets scripted input act when the wait is about to block; `idle` when
    // nothing but input will end the wait.
    void feedScriptedInput(bool idle);
    // Reads the scripted input named by VELMORA_INPUT; ends the process on a bad file.
    void loadScriptedInput();

    // Animation over the standing pictures, sprites and the selected cursor.
    AnimImage* selectedCursor();
    int32_t nextAnimationDelay();
    void advanceAnimations(int32_t ms);
    void stepAnimations();

    int32_t waitCommand();
    int32_t delayCommand();
    int32_t resettimerCommand();
    int32_t waittimerCommand();
    int32_t gettimerCommand();
    int32_t clickCommand(); // click, lrclick
    int32_t trapCommand();  // trap, lr_trap
    int32_t automodeTimeCommand();
    int32_t autoclickCommand();
    int32_t skipoffCommand();
    int32_t isskipCommand();
    int32_t isdownCommand();
    int32_t isfullCommand();
    int32_t getmouseposCommand();
    int32_t getmouseoverCommand();
    int32_t movemousecursorCommand();
    int32_t keySwitchCommand(); // getzxc, gettab, getenter and the other key switches
    int32_t menuAutomodeCommand();
    int32_t menuWindowCommand();
    int32_t menuFullCommand();
    int32_t btntimeCommand(); // btntime, btntime2, btime
    int32_t getbtntimerCommand();
    int32_t btnwaitCommand(); // btnwait, btnwait2, textbtnwait, selectbtnwait, bexec

    // ---- Buttons and choices ----
    // Decides the button under a screen point and lights it, putting out the
    // one the pointer left; what changes is shown at once.
    void hover(int32_t x, int32_t y);
    // Forgets the hover state and hovers the pointer's place: a wait begins.
    void refreshButtons();
    // Frees every button; the place of a lit one is redrawn at the next refresh.
    void deleteButtons();
    // What btndef and bclear clear besides the picture: the buttons, their
    // time limit, transparent hits and the key switches.
    void clearButtonDefinitions();
    // Every button in its idle look, as a button wait begins.
    void resetButtonLooks();
    // `show_sprite` makes a sprite button's sprite visible even without a control string.
    void leaveButton(ButtonEntry& button, bool show_sprite = false);
    void enterButton(ButtonEntry& button);
    void runButtonControl(const std::string& control, const ButtonEntry& button);
    // Up (+1) or Down (-1): the next button of the list, with the pointer
    // moved onto it; false when there are no buttons.
    bool stepKeyboardButton(int32_t step);
    // One line per button for the scripted input's look at the button list.
    std::vector<std::string> describeButtons() const;
    // Sprite n for a button command; out of range it is reported and null.
    AnimImage* buttonSprite(const std::string& command, int32_t n);
    ButtonEntry& addSpriteButton(int32_t n, int32_t number);
    // A line of text at the layout's pen that lights up under the pointer;
    // the pen moves to the start of the next line.
    ButtonEntry& buildChoiceButton(const std::string& text, FontState& font, bool absent);
    // After a choice argument: true when another follows, past a comma that
    // ends the line or begins the next one.
    bool nextChoiceArgument();
    void readChoices(bool with_labels);

    int32_t btndefCommand(); // btndef, bclear
    // Empties the button picture and loads `tag` into it when not empty.
    void loadButtonPicture(const std::string& tag);
    int32_t btnCommand();
    int32_t spbtnCommand();        // spbtn, existspbtn, cellcheckspbtn, exbtn, cellcheckexbtn
    int32_t exbtnDefaultCommand(); // exbtn_d, bdef
    int32_t bspCommand();
    int32_t transbtnCommand();  // transbtn, btrans
    int32_t btndownCommand();   // btndown, bdown
    int32_t setcursorCommand(); // setcursor, abssetcursor
    int32_t selectCommand();    // select, selgosub, selnum, csel
    int32_t cselbtnCommand();
    int32_t cselgotoCommand();
    int32_t getcselnumCommand();
    int32_t getcselstrCommand();

    AnimImage btndef_picture; // the button picture of btndef, the source of blt and btn
    ButtonList buttons;
    // One choice of the last select or csel.
    struct Choice {
        std::string text;
        std::string label; // without the '*'; empty for selnum
    };
    std::vector<Choice> select_list;
    const char* select_return = nullptr; // the script after the choice arguments

    // ---- System menus ----
    // What a system call puts aside while its screens are up, and gives back.
    struct InteractionState {
        ButtonList buttons;
        std::vector<Choice> select_list;
        int32_t event_mode = 0;
        int32_t mouse_x = 0;
        int32_t mouse_y = 0;
        int32_t text_wait_state = 0;
        bool window_shown = false;
        bool in_text_wait = false;
    };
    // How a system call ends the wait it interrupted.
    enum class SystemCallEnd {
        WaitGoesOn,   // back to the same wait
        GameReplaced, // a game was loaded or restarted: the caller's work is void
        WaitEnds,     // the wait ends as if answered (skip, automode)
    };
    // Runs the pending system call and those it leads to.
    SystemCallEnd runSystemCall();
    // Back to the game from a system screen; `restore` gives back what was put
    // aside and draws the page's text again.
    void leaveSystemMenu(bool restore);
    // Shows the menu font's layout: `columns` by `rows` cells centred on the
    // screen, the text layer cleared.
    void startMenuScreen(int32_t columns, int32_t rows);
    // Draws white text at the menu font's pen into the text layer: titles and questions.
    void drawMenuText(const char* text);
    // A menu entry at cell (column, row), numbered `number`; -1 keeps that coordinate.
    void addMenuEntry(const std::string& label, int32_t number, int32_t column, int32_t row,
                      bool absent);
    // Waits for a menu choice: the entry number, -1 dismissed. Entries are
    // deleted afterwards. `accept` may refuse a number, and the wait goes on.
    int32_t waitForMenuChoice(const std::function<bool(int32_t)>& accept = nullptr);
    enum class ConfirmKind { Save, Load, Reset, End };
    // Asks the player Yes or No; true for Yes.
    bool confirm(ConfirmKind kind, int32_t slot);
    void rightClickMenu();
    void windowErase();
    // The save and load menus; the load menu answers true when a game was loaded.
    void saveMenu();
    bool loadMenu();
    // The line a save or load menu shows for a slot.
    std::string slotLine(int32_t slot) const;
    // Loads a slot as loadgame does, the music stopping without a fade; true when it loaded.
    bool loadGameSlot(int32_t slot);
    // Draws `page_text` again from the start of the text window into `target`
    // and the text layer, recording nothing.
    void redrawPage(SDL_Surface* target, const std::string& page_text);
    // The menu font while a system screen is up, else the story font.
    FontState& currentFont() { return menu_layout ? menu_font : story_font; }

    int32_t systemcallCommand();
    int32_t rmodeCommand();
    int32_t menuClickCommand(); // menu_click_page, menu_click_def

    InteractionState menu_aside; // valid while a system call runs
    bool menu_layout = false;    // a system screen uses the menu font

    // ---- Dialogs ----
    // yesnobox, okcancelbox: a question answered with two buttons; the
    // variable gets 1 for Yes or OK, 0 for No, Cancel or a right click.
    int32_t dialogCommand();
    // Builds dialog button `number` at script point (x, y) with `label` on both cells.
    ButtonEntry& buildDialogButton(int32_t number, const char* label, int32_t x, int32_t y);

    // ---- Sound ----
    // Waits as a fade asks; true when the wait moved the script elsewhere.
    bool waitForFade(FadeWait wait);
    // mp3stop's body: the fade-out and its wait, or an immediate stop.
    void fadeOutMusic();
    // The v and dv text tokens: a wave or a voice named by the digits.
    // False when the token is neither.
    bool playVoiceToken(const char* token);
    // The click-wait or page-wait sound of clickvoice as a wait ends.
    void playClickSound();
    // Hands a notice of the mixer or a sound timer to the sound object.
    void handleSoundEvent(const SDL_Event& event);

    int32_t waveCommand(); // wave, waveloop
    int32_t wavestopCommand();
    int32_t dwaveCommand(); // dwave, dwaveloop, dwaveload, dwaveplay, dwaveplayloop
    int32_t dwavestopCommand();
    int32_t voicevolCommand();
    int32_t sevolCommand();
    int32_t chvolCommand();
    int32_t mp3volCommand();    // mp3vol, bgmvol
    int32_t getvolumeCommand(); // getvoicevol, getsevol, getmp3vol, getbgmvol
    int32_t mp3Command();       // mp3, mp3save, mp3loop, bgm, bgmonce
    int32_t mp3stopCommand();   // mp3stop, bgmstop
    int32_t mp3fadeCommand();   // mp3fadeout, bgmfadeout, mp3fadein, bgmfadein
    int32_t playCommand();      // play, playonce
    int32_t playstopCommand();
    int32_t loopbgmCommand();
    int32_t loopbgmstopCommand();
    int32_t stopCommand();

    // ---- Movies ----
    // Plays a movie file until its end, or until a click when `click_ends`;
    // `loop` starts it again at its end. MOVIE_QUIT when the window was closed.
    int32_t playMovie(const std::string& name, bool click_ends, bool loop);
    static constexpr int32_t MOVIE_ENDED = 0;
    static constexpr int32_t MOVIE_QUIT = 1;
    int32_t mpegplayCommand();
    int32_t movieCommand();
    int32_t aviCommand();

    SoundSystem sound{volumes};

    // ---- Saving and loading ----
    // The engine's state as a save file holds it (the save image's contents).
    SaveState captureSaveState();
    // Checks a parsed save against this script and applies it: false, with a
    // message and nothing changed, when a stored position does not fit.
    bool applySaveState(const SaveState& state);
    // A saved sprite: emptied, then given its tag string, place and pixels.
    void restorePicture(AnimImage& image, const std::string& tag, Vec2 position);
    // What the script declares and a save file does not record.
    SaveLayout saveLayout() const;
    // The save image: the save file as the engine is now.
    void takeSaveImage();
    // Writes the save image (with its text) to a slot; a negative slot only
    // takes the image. 0, or -1 when the slot file cannot be written.
    int32_t writeSaveSlot(int32_t slot, const std::string* save_text);
    // Loads a slot; 0, or -1 with a message and the game unchanged.
    int32_t readSaveSlot(int32_t slot);
    // What every successful load does before the game goes on.
    void finishLoad();
    int32_t saveonCommand();
    int32_t saveoffCommand();
    int32_t savegameCommand(); // savegame, savegame2
    int32_t loadgameCommand();
    std::vector<uint8_t> save_image;

    // ---- Lookback ----
    int32_t lookbackflushCommand();
    int32_t gettextCommand();
    int32_t getlogCommand(); // getlog, gettaglog
    int32_t checkpageCommand();
    int32_t gettagCommand();
    int32_t lookbackbuttonCommand();
    // Loads arrow picture `slot` (LookbackPicture) from `tag`, or from its
    // default file when `tag` is null; a missing default file gives no picture.
    void loadLookbackPicture(size_t slot, const char* tag);
    // The default arrow pictures, for those the game did not name (at `game`).
    void loadDefaultLookbackPictures();
    // The arrow buttons of the lookback screen showing the page `pages_back`
    // steps before the current one; the old buttons go first.
    void buildLookbackArrows(int32_t pages_back);
    void hideLookbackSprites();
    // The lookback screen (system call 5): earlier pages in the lookback
    // colour with up and down arrows, until the player leaves; returns at
    // once without an earlier page. The caller redraws the game's page.
    void runLookback();
    LookbackPages lookback; // the pages before the current one, from `game` on

    // ---- Save slots ----
    // The slot file's path: in the save directory when one is set.
    std::string slotPath(int32_t slot) const;
    // The save text stored after a slot's save image; none without one.
    std::optional<std::string> readSaveStrFromFile(int32_t slot);
    int32_t savefileexistCommand();
    int32_t savetimeCommand();
    int32_t getsavestrCommand();

    // ---- Story text ----
    // A text line: the name tag, the pretextgosub hook, then every unit of text.
    int32_t textLine();
    // Shows one unit of text at token_offset; false when the line is done or stopped.
    bool textStep();
    bool speedOrPause(); // !s, !sd, !w, !d
    bool continueLine(); // a '/' that joins the next line to this one
    bool doubleByteCharacter();
    bool singleByteCharacter();
    // Word wrap: whether the space at token_offset lies between half-width
    // characters of a Shift_JIS line, and so is drawn; and drawing it.
    bool keepsSpace() const;
    bool keptSpace();
    // Word wrap: at the start of a word, breaks the row when the word only
    // fits in the next one.
    void wrapBeforeWord();
    bool clickstrWait(const CharacterBytes* character, int32_t length);
    // The waits inside text; `character`, when given, is drawn at the wait and
    // `length` is how many bytes the wait takes. False stops the line.
    bool waitAtClick(const CharacterBytes* character, int32_t length);
    bool waitAtPage(const CharacterBytes* character, int32_t length);
    // The wait at a click or page wait; true when the script moved elsewhere.
    bool textWait();
    void showClickCursor();
    void endOfText();
    bool startRuby();
    bool endRubyBase();
    void showTextWindow(bool take_save_point);
    void hideTextWindow(bool forced);
    void clearPage();
    void startNewPage();
    // Back to an empty text display; `window_too` also restores the default window.
    void resetTextDisplay(bool window_too);
    TextRenderContext textContext();
    bool skippingText() const;
    void drawTextCharacter(CharacterBytes character, FontState& font, bool flush);
    // One character's delay at the text speed; a click cuts the rest short.
    void characterTime();
    // Shows what was drawn since the last show.
    void flushText();
    void skipTextBlanks();
    bool atTextEnd() const;
    // Shows or hides the sprite that stands for the text window (windowchip).
    void showWindowChip(bool visible);
    // The look of setwindow: a shaded rectangle or a window picture, with its place.
    void readWindowLook(const std::string& look);

    int32_t setwindowCommand(); // setwindow, setwindow3
    int32_t setwindow2Command();
    int32_t textspeedCommand();
    int32_t textspeeddefaultCommand();
    int32_t textshowCommand(); // textshow, texthide
    int32_t textonCommand();
    int32_t textoffCommand();
    int32_t textclearCommand();
    int32_t texecCommand();
    int32_t erasetextwindowCommand();
    int32_t locateCommand();
    int32_t indentCommand();
    int32_t brCommand();
    int32_t puttextCommand();
    int32_t ispageCommand();
    int32_t getcursorposCommand(); // getcursorpos, getcursorpos2
    int32_t inputCommand();
    int32_t tateyokoCommand();
    int32_t kinsokuCommand();

    TextState text;
    const char* text_source = ""; // the text being shown: the text token, or puttext's string
    bool text_one_byte = false;   // the text is one-byte (latin) text

    InputState input;
    std::unique_ptr<ScriptedInput> scripted_input; // only when VELMORA_INPUT names a file

    Screen screen;
    std::unique_ptr<PictureLoader> picture_loader;
    EffectSpec inline_effect; // an effect written out after a command
    int32_t screenshot_width = 0;
    int32_t screenshot_height = 0;

  private:
    bool script_prepared = false;
    bool media_started = false;
};

} // namespace velmora
