#include "ArgumentRoles.h"

#include <string_view>
#include <unordered_map>

namespace velmora::lint {

namespace {

using Roles = std::vector<ArgumentRole>;

const std::unordered_map<std::string_view, Roles>& roleTable() {
    const Roles first_picture{{0, ROLE_PICTURE}};
    const Roles second_picture{{1, ROLE_PICTURE}};
    const Roles first_sound{{0, ROLE_SOUND}};
    const Roles second_sound{{1, ROLE_SOUND}};
    const Roles first_movie{{0, ROLE_MOVIE}};
    static const std::unordered_map<std::string_view, Roles> table{
        {"bg", {{0, ROLE_PICTURE | ROLE_COLOUR}}},
        {"ld", second_picture},
        {"lsp", second_picture},
        {"lsph", second_picture},
        {"lsp2", second_picture},
        {"lsph2", second_picture},
        {"lsp2add", second_picture},
        {"lsph2add", second_picture},
        {"lsp2sub", second_picture},
        {"lsph2sub", second_picture},
        {"btndef", first_picture},
        {"setwindow", {{11, ROLE_PICTURE | ROLE_COLOUR}}},
        {"setwindow3", {{11, ROLE_PICTURE | ROLE_COLOUR}}},
        {"setwindow2", {{0, ROLE_PICTURE | ROLE_COLOUR}}},
        {"monocro", {{0, ROLE_COLOUR}}},
        {"lookbackcolor", {{0, ROLE_COLOUR}}},
        {"selectcolor", {{0, ROLE_COLOUR}, {1, ROLE_COLOUR}}},
        {"menuselectcolor", {{0, ROLE_COLOUR}, {1, ROLE_COLOUR}, {2, ROLE_COLOUR}}},
        {"bgm", first_sound},
        {"bgmonce", first_sound},
        {"mp3", first_sound},
        {"mp3loop", first_sound},
        {"mp3save", first_sound},
        {"loopbgm", {{0, ROLE_SOUND}, {1, ROLE_SOUND}}},
        {"wave", first_sound},
        {"waveloop", first_sound},
        {"dwave", second_sound},
        {"dwaveloop", second_sound},
        {"dwaveload", second_sound},
        {"play", first_sound},
        {"playonce", first_sound},
        {"mpegplay", first_movie},
        {"movie", first_movie},
        {"avi", first_movie},
    };
    return table;
}

} // namespace

const std::vector<ArgumentRole>& argumentRoles(const char* name) {
    static const Roles none;
    const auto& table = roleTable();
    auto it = table.find(name);
    return it == table.end() ? none : it->second;
}

} // namespace velmora::lint
