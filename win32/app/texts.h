// The main window's texts. Sources are UTF-8; the compiler turns these
// literals into code page 932 bytes, the encoding the "A" functions draw.
#ifndef VENTROK_WIN32_APP_TEXTS_H
#define VENTROK_WIN32_APP_TEXTS_H

#include "core/cp932_literals.h"

namespace texts
{
constexpr const char *press_start = "開始を押してください";
constexpr const char *replay_previous = "印字・再生で前回記録を再生できます";
constexpr const char *start_caption = "開　始";
constexpr const char *stop_caption = "停　止";

constexpr const char *no_input_device_message =
    "入力デバイスが見つからないので開始できません\n"
    "マイク等が接続されていないと思われますので確認してください\n"
    "「OK」で終了します";
constexpr const char *no_input_device_caption = "Device ERR message box";
} // namespace texts

#endif
