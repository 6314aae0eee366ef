#include "win32/app/recording_messages.h"

#include <cstdarg>
#include <cstdio>

#include "core/cp932_literals.h"

namespace recording_texts
{
const char *const caption = "録音ファイルの計測";
const char *const busy = "計測中は録音ファイルを計測できません。\n"
                         "停止で今の計測を終えてから、もう一度お試しください。";
const char *const one_at_a_time = "録音ファイルは一度に1つずつ計測します。\n"
                                  "ファイルを1つだけ選んでください。";
} // namespace recording_texts

static const char *const save_again =
    "\n非圧縮の PCM（8・16・24・32 ビット）か 32 ビット浮動小数点の WAV で保存し直してください。";

// A printf format with its values, as one text.
static std::string printed(const char *format, ...)
{
    char text[512];
    va_list values;
    va_start(values, format);
    std::vsnprintf(text, sizeof text, format, values);
    va_end(values);
    return text;
}

std::string shown_path(const wchar_t *path)
{
    const int size = WideCharToMultiByte(CP_ACP, 0, path, -1, nullptr, 0, nullptr, nullptr);
    std::string text(size > 0 ? static_cast<size_t>(size) : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, path, -1, &text[0], size, nullptr, nullptr);
    text.resize(text.size() - 1);
    return text;
}

// The path, an empty line, then the text.
static std::string about(const std::string &path, const std::string &text)
{
    return path + "\n\n" + text;
}

std::string folder_text(const std::string &path)
{
    return about(path, "フォルダーは計測できません。録音ファイル（WAV）を選んでください。");
}

std::string open_failure_text(const std::string &path, DWORD error)
{
    std::string reason;
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        reason = "ファイルが見つかりません";
        break;
    case ERROR_ACCESS_DENIED:
        reason = "読み取りが許可されていません";
        break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        reason = "ほかのプログラムが使用中です";
        break;
    default:
        reason = printed("Windows のエラー %lu", error);
        break;
    }
    return about(path, printed("このファイルを開けません（%s）。", reason.c_str()));
}

static std::string encoding_text(const wav_format &format)
{
    if (format.encoding == WAV_FORMAT_EXTENSIBLE)
        return "WAVE_FORMAT_EXTENSIBLE の独自形式";
    if (const char *name = wav_encoding_name(format.encoding))
        return name;
    char text[32];
    std::snprintf(text, sizeof text, "形式番号 0x%04X", format.encoding);
    return text;
}

static std::string fault_text(wav_header_fault fault)
{
    switch (fault) {
    case FAULT_FORMAT_SHORT:
        return "fmt チャンクが短すぎます";
    case FAULT_NO_FORMAT:
        return "data チャンクの前に fmt チャンクがありません";
    case FAULT_NO_DATA:
        return "data チャンクがありません";
    case FAULT_NO_CHANNELS:
        return "チャンネル数が 0 です";
    case FAULT_BLOCK_ALIGN:
        return "ブロックの大きさがチャンネル数とビット数に合いません";
    case FAULT_CHUNK_PAST_END:
        return "fmt チャンクがファイルの終わりを越えています";
    default:
        return "";
    }
}

std::string header_problem_text(const std::string &path, wav_problem problem,
                                const wav_format &format, bool csv_name)
{
    switch (problem) {
    case WAV_READ_FAILED:
        return about(path, "このファイルを読み取れません。");
    case WAV_NOT_WAVE:
        if (csv_name)
            return about(path, "これは計測結果の打鍵データのファイルで、録音ではありません。\n"
                               "打鍵データは印字・再生で再生できます。"
                               "計測するには、録音した WAV ファイルを選んでください。");
        return about(path, "WAV ファイルではありません。録音した WAV ファイルを選んでください。");
    case WAV_OTHER_CONTAINER:
        return about(path, printed("この形式（%s）の WAV ファイルには対応していません。",
                                   format.container) +
                               "\n通常の WAV（RIFF）形式で保存し直してください。");
    case WAV_UNSUPPORTED_ENCODING:
        return about(path, printed("この WAV ファイルの符号化形式（%s）には対応していません。",
                                   encoding_text(format).c_str()) +
                               save_again);
    case WAV_UNSUPPORTED_BITS:
        return about(path, printed("%u ビットの%sには対応していません。",
                                   static_cast<unsigned>(format.bits_per_sample),
                                   format.encoding == WAV_ENCODING_FLOAT ? "浮動小数点" : " PCM ") +
                               save_again);
    case WAV_RATE_OUT_OF_RANGE:
        return about(path, printed("サンプリング周波数 %u Hz には対応していません"
                                   "（8000 Hz から 192000 Hz まで）。",
                                   static_cast<unsigned>(format.sample_rate)));
    case WAV_BROKEN_HEADER:
        return about(path, printed("WAV ファイルのヘッダーが壊れています（%s）。",
                                   fault_text(format.fault).c_str()));
    case WAV_TRUNCATED:
        return about(path, "ファイルが途中で切れています。" +
                               printed("\nヘッダーによれば音声は %llu バイトありますが、"
                                       "ファイルには %llu バイトしかありません。",
                                       static_cast<unsigned long long>(format.announced_bytes),
                                       static_cast<unsigned long long>(format.available_bytes)));
    case WAV_NO_SAMPLES:
        return about(path, "音声が入っていません（0 サンプル）。");
    default:
        return about(path, "");
    }
}

std::string read_failure_text(const std::string &path)
{
    return about(path, "録音ファイルを最後まで読めませんでした。この計測は取り消しました。");
}
