// The player's choices for the screen and the loop: the command line, then
// the settings file for what the command line leaves open. With neither,
// the game runs as it always has: a 320 x 240 window, a frame after every
// pass of the loop.
#pragma once

#include <string>

namespace rallyton {

const int SCALE_AUTO = 0;  // scale_option: the largest zoom whose window fits the desktop
const int MAX_SCALE = 8;

extern int scale_option;  // 1 to MAX_SCALE, or SCALE_AUTO
extern unsigned char fullscreen_option;
extern unsigned char power_save;  // rest instead of drawing again when no tick is due

// Returns -1 when the game should start; otherwise the status to exit with:
// 0 after --help or --version (printed on stdout), 2 after an unknown
// option or a bad value (the usage on stderr).
int readCommandLine(int argc, char **argv);

// The settings file's path: $XDG_CONFIG_HOME/rallyton/rallyton.cfg, by
// default ~/.config/rallyton/rallyton.cfg (on Windows under %APPDATA%).
std::string settingsPath();

// Takes from the settings file what the command line left unset, through
// Allegro's configuration functions (so after allegro_init). A bad value
// costs one line on stderr; its default stands.
void readSettingsFile();

// The largest whole zoom, up to MAX_SCALE, whose window fits a desktop of
// that size with room for its frame, the title bar and a panel; at least 1.
int autoScale(int desktopW, int desktopH);

}  // namespace rallyton
