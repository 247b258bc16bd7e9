// The placement component's own Japanese text, as Shift-JIS bytes.
// tests/placement/placement_values_test.cpp pins its bytes.
#pragma once

namespace kivo::placement::texts {

// " に書き込めません": follows the path of a settings file that refused a
// write ("%s に書き込めません").
inline constexpr char kCannotWrite[] =
    " \202\311\217\221\202\253\215\236\202\337\202\334\202\271\202\361";

}  // namespace kivo::placement::texts
