// The system menus in whole games played by scripted input: the right-click
// menu, saving and loading through the slot menus and their Yes/No question,
// skip, automode and the click-page switch.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include <ctime>
#include <string>
#include <vector>

#include "engine/ScreenshotGame.h"

namespace velmora {
namespace {

using test::RunResult;
using test::ScratchDir;

const std::string WINDOW = "setwindow 10,20,5,4,20,20,2,4,0,0,0,\"#808080\",0,0,319,239\n";
const std::string PAGE_A = "\x82\xa0@\n"; // a click wait after one character

// Centred in the default menu layout (26 x 28 cells): the right-click menu of
// three entries starts at 281,198, a slot menu of "Slot " at 86,86 with slot
// 1 on its third row, and the questions' Yes and No sit on their row 2, at
// places that both the save and the load question of "Slot " cover.
const std::string SAVENAME = "savename \"SAVE\",\"LOAD\",\"Slot \"\n";
constexpr const char* MENU_SAVE = "290 208";
constexpr const char* MENU_SKIP = "290 264";
std::string slotAt(int slot) {
    return "300 " + std::to_string(86 + 28 * (slot + 1) + 10);
}
constexpr const char* YES = "260 262";
constexpr const char* NO = "365 262";

void setFileTime(const std::filesystem::path& path, int year, int month, int day, int hour,
                 int minute) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_isdst = -1;
    const utimbuf times{std::mktime(&local), std::mktime(&local)};
    ASSERT_EQ(utime(path.c_str(), &times), 0);
}

TEST(SystemMenuGameTest, RightClickMenuSavesAfterYesOnlyAndSkipGoesOn) {
    ScratchDir game;
    game.write("save2.dat", "an old slot");
    setFileTime(game.path() / "save2.dat", 2024, 3, 7, 9, 5);
    const std::string define = "rmenu \"Save\",save,\"Load\",load,\"Skip\",skip\n" + SAVENAME;
    const std::string start =
        WINDOW + PAGE_A + "mov %1,1\n" + PAGE_A + "isskip %2\n" + PAGE_A + PAGE_A + "mov %3,1\n";
    const RunResult run =
        test::playScripted(game, start,
                           "idle shot before.bmp\nidle rclick 10 10\nidle buttons\n"
                           "idle click " +
                               std::string(MENU_SAVE) +
                               "\nidle buttons\n"
                               // No: the save menu comes back and nothing is written.
                               "idle click " +
                               slotAt(3) + "\nidle click " + NO +
                               "\n"
                               "idle click " +
                               slotAt(1) + "\nidle click " + YES +
                               "\n"
                               // Back at the same click wait, with its page drawn again.
                               "idle shot after.bmp\nidle click\n"
                               "idle rclick\nidle click " +
                               MENU_SKIP + "\n",
                           define);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find("exhausted"), std::string::npos) << run.err;
    // The menu is centred; the slot lines show the file's local time or dashes.
    EXPECT_NE(run.err.find("button 1 kind=3 state=1 rect=281,198,54,28 text=Save"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("text=`Slot 2    Date  3/ 7    Time  9:05"), std::string::npos);
    EXPECT_NE(run.err.find("text=`Slot 1    ------------------------"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(game.path() / "save1.dat"));
    EXPECT_FALSE(std::filesystem::exists(game.path() / "save3.dat"));
    EXPECT_EQ(game.read("after.bmp"), game.read("before.bmp"));
    const std::vector<int32_t> v = test::globalValues(game);
    EXPECT_EQ(v[1], 1);
    EXPECT_NE(v[2], 0); // skip chosen from the menu
    EXPECT_EQ(v[3], 1); // the later click waits passed by themselves
}

TEST(SystemMenuGameTest, LoadMenuAutomodeAndClickPage) {
    ScratchDir game;
    const std::string start = "bg white,1\n" + WINDOW +
                              "automode_time 10\nmenu_click_page\n"
                              // One click: the click waits pass up to the page wait.
                              "\x82\xa9@\x82\xab@\x82\xad\\\nmenu_click_def\n"
                              "savegame 1\nmov %5,%5+1\n"
                              "if %6 == 0 : mov %6,1 : systemcall load\n"
                              "systemcall automode\n" +
                              PAGE_A + "mov %7,1\n";
    const RunResult run =
        test::playScripted(game, start,
                           // Without a menu, a right click hides the window
                           // until the next click.
                           "idle rclick\nidle shot erased.bmp\nidle click\n"
                           "idle shot shown.bmp\nidle click\n"
                           // An empty slot cannot be chosen; No shows the menu again.
                           "idle click " +
                               slotAt(4) + "\nidle click " + slotAt(1) + "\nidle click " + NO +
                               "\n" + "idle click " + slotAt(1) + "\nidle click " + YES + "\n",
                           SAVENAME);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find("exhausted"), std::string::npos) << run.err;
    const std::vector<int32_t> v = test::globalValues(game);
    const std::optional<test::Bitmap> erased = test::readBitmap24(game.read("erased.bmp"));
    const std::optional<test::Bitmap> shown = test::readBitmap24(game.read("shown.bmp"));
    ASSERT_TRUE(erased && shown);
    EXPECT_EQ(erased->at(300, 200), test::rgb(255, 255, 255));
    EXPECT_NE(shown->at(300, 200), test::rgb(255, 255, 255));
    EXPECT_EQ(v[5], 2); // the load went back to the save and ran on from there again
    EXPECT_EQ(v[7], 1); // automode passed the last click wait by itself
    EXPECT_NE(run.out.find("Save file version is"), std::string::npos);
    EXPECT_NE(run.out.find("systemcall_automode: change to automode\n"), std::string::npos);
}

TEST(SystemMenuGameTest, ResetRestartsAndQuitAsksFirst) {
    ScratchDir game;
    // Two entries start at 281,212. The reset question's Yes starts at 229; the
    // quit question is too short for the usual places: Yes at 242, No at 346.
    const RunResult run =
        test::playScripted(game, WINDOW + "mov %1,%1+1\n" + PAGE_A + "mov %2,1\n",
                           "idle rclick\nidle click 300 220\nidle click 260 262\n"
                           "idle rclick\nidle click 300 248\nidle click 355 262\n"
                           "idle rclick\nidle click 300 248\nidle click 255 262\n",
                           "rmenu \"Reset\",reset,\"Quit\",end\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find("exhausted"), std::string::npos) << run.err;
    const std::vector<int32_t> v = test::globalValues(game);
    EXPECT_EQ(v[1], 2); // the game began again after the reset
    EXPECT_EQ(v[2], 0); // and was quit at its click wait
}

} // namespace
} // namespace velmora
