// The words with which the program tells the user that a file failed it,
// as Shift-JIS bytes, each following the file's path ("%s に書き込めません").
// Every layer that writes or reads the user's files shares them.
#pragma once

namespace kivo::messages {

// " に書き込めません": the file cannot be written.
inline constexpr char kCannotWrite[] =
    " \x82\xc9\x8f\x91\x82\xab\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1";
// " を読み込めません": the file cannot be read.
inline constexpr char kCannotRead[] =
    " \x82\xf0\x93\xc7\x82\xdd\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1";

}  // namespace kivo::messages
