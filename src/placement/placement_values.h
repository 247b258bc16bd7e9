// Reading and composing the values of a window-placement section: integers
// as the settings file holds them, the four-number position lists, and the
// screen suffix that gives each resolution its own position keys. Pure
// functions, no system calls.
#pragma once

#include <array>
#include <string>

namespace kivo::placement {

// The keys of the section, in the order a store writes them (the two
// position keys are written with the screen suffix first, then plain).
inline constexpr char kFormVersionKey[] = "FormVersion";
inline constexpr char kFlagsKey[] = "Flags";
inline constexpr char kShowCmdKey[] = "ShowCmd";
inline constexpr char kPixelsPerInchKey[] = "PixelsPerInch";
inline constexpr char kMinMaxPosKey[] = "MinMaxPos";
inline constexpr char kNormPosKey[] = "NormPos";
inline constexpr char kVisibleKey[] = "Visible";

// A whole number as stored: optional sign and decimal digits, or "0x"/"0X"
// followed by hexadecimal digits (more than two characters in all; up to 32
// bits, read as the signed value of that bit pattern). Anything else, an
// empty text or a decimal outside the int range gives `fallback`.
int ParseIniInteger(const std::string& text, int fallback);

// The first four words of `text`, words being separated by any run of
// commas, blanks and tabs. A missing or unreadable word takes the matching
// entry of `defaults`.
std::array<int, 4> ParsePositionList(const std::string& text, const std::array<int, 4>& defaults);

// "%d,%d,%d,%d".
std::string FormatPositionList(int a, int b, int c, int d);

// "(%dx%d)": appended to the position keys for a screen of that size.
std::string ScreenSuffix(int width, int height);

// The window state a stored show command asks for: 1, 5 and 9 normal; 2, 6
// and 7 minimised; 3 maximised; anything else keeps `fallback`.
enum class WindowState { Normal, Minimized, Maximized };
WindowState StateFromShowCmd(int show_cmd, WindowState fallback);

}  // namespace kivo::placement
