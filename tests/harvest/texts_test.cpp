// Pins the bytes of every harvest text: these are compared with the shop's
// pages and written into the host's files, so one wrong byte silently breaks
// a whole run.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "harvest/harvest_texts.h"
#include "platform/encoding.h"
#include "platform/file_messages.h"

namespace kivo {
namespace {

std::string Hex(std::string_view s) {
  std::string out;
  for (unsigned char c : s) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%s%02X", out.empty() ? "" : " ", c);
    out += buf;
  }
  return out;
}

TEST(HarvestTexts, EveryTextHasItsShiftJisBytes) {
  struct Pin {
    std::string_view text;
    const char* hex;
  };
  const Pin pins[] = {
      {texts::kLabelPublishMonth, "8F 6F 94 C5 94 4E 8C 8E"},     // "出版年月"
      {texts::kLabelPublisher, "8F 6F 94 C5 8E D0 96 BC"},        // "出版社名"
      {texts::kLabelIsbn, "49 53 42 4E 83 52 81 5B 83 68"},       // "ISBNコード"
      {texts::kLabelPrice, "90 C5 8D 9E 89 BF 8A 69"},            // "税込価格"
      {texts::kLabelSeries, "83 56 83 8A 81 5B 83 59 96 BC"},     // "シリーズ名"
      {texts::kLabelPagesBare, "95 C5 90 94 81 45 8F 63"},        // "頁数・縦"
      {texts::kLabelPages, "95 C5 90 94 81 45 8F 63 20 81 46"},   // "頁数・縦 ："
      {texts::kYen, "89 7E"},                                     // "円"
      {texts::kZenParenOpen, "81 69"},                            // "（"
      {texts::kZenParenClose, "81 6A"},                           // "）"
      {texts::kZenSpace, "81 40"},                                // "　"
      {texts::kTodaysNewBooks, "96 7B 93 FA 82 CC 90 56 8A A7"},  // "本日の新刊"
      {texts::kMonth, "8C 8E"},                                   // "月"
      {texts::kDay, "93 FA"},                                     // "日"
      {texts::kByDateLink,
       "5B 93 FA 95 74 95 CA 90 56 8A A7 83 79 81 5B 83 57 5D"},     // "[日付別新刊ページ]"
      {texts::kNextPage, "8E 9F 82 CC 83 79 81 5B 83 57 82 D6"},     // "次のページへ"
      {texts::kTriangleDown, "81 A5"},                               // "▼"
      {texts::kCategoryPaperback, "95 B6 8C C9 81 45 90 56 8F 91"},  // "文庫・新書"
      {texts::kCategoryComic, "83 52 83 7E 83 62 83 4E"},            // "コミック"
      {texts::kDownloadKivo,
       "6B 69 76 6F 83 5F 83 45 83 93 83 8D 81 5B 83 68"},        // "kivoダウンロード"
      {texts::kDownload, "83 5F 83 45 83 93 83 8D 81 5B 83 68"},  // "ダウンロード"
      {texts::kFailedDash, "20 8E B8 94 73 2D"},                  // " 失敗-"
      {texts::kKivoFailed, "6B 69 76 6F 8E B8 94 73 2E"},         // "kivo失敗."
      {texts::kAnalyzeError, "41 6E 61 6C 79 7A 65 20 45 72 72 6F 72 20"},     // "Analyze Error "
      {texts::kHEquals, "68 20 3D 20"},                                        // "h = "
      {texts::kDllBanner, "2A 2A 2A 20 6B 69 76 6F 20 44 4C 4C 20 2A 2A 2A"},  // "*** kivo DLL ***"
      {messages::kCannotWrite,
       "20 82 C9 8F 91 82 AB 8D 9E 82 DF 82 DC 82 B9 82 F1"},  // " に書き込めません"
      {texts::kNoListingPage,
       "88 EA 97 97 83 79 81 5B 83 57 82 F0 8E E6 93 BE 82 C5 82 AB 82 DC "
       "82 B9 82 F1 82 C5 82 B5 82 BD"},  // "一覧ページを取得できませんでした"
      {texts::kHelperNotStarted,
       "70 6F 77 65 72 73 68 65 6C 6C 20 82 F0 8B 4E 93 AE 82 C5 82 AB 82 C8 82 A2 82 BD 82 DF 83 "
       "5F "
       "83 45 83 93 83 8D 81 5B 83 68 82 C5 82 AB 82 DC 82 B9 82 F1"},  // "powershell
                                                                        // を起動できない..."
      {messages::kCannotRead,
       "20 82 F0 93 C7 82 DD 8D 9E 82 DF 82 DC 82 B9 82 F1"},  // " を読み込めません"
  };
  for (const Pin& pin : pins) {
    EXPECT_EQ(Hex(pin.text), pin.hex);
  }
}

// The run's messages (they reach the log and the status bar, never a page or
// the host's files): each is the Shift-JIS form of its words, as the
// system's own conversion gives it, so a wrong escape cannot hide.
TEST(HarvestTexts, TheRunsMessagesAreTheirWordsInShiftJis) {
  const std::pair<std::string_view, const char*> messages[] = {
      {texts::kNegativeDays, "取得する日数がマイナスのため何も取得しません。0以上の日数を設定してください"},
      {texts::kListingOf, "の一覧が"},
      {texts::kPagesCapped, "ページを超えたため、残りは次回取得します"},
      {texts::kEmptyPageRecorded, "題名もISBNもないページが3回続いたため取得済みにしました: "},
      {texts::kDayOf, "日目"},
      {texts::kAdded, "追加 "},
      {texts::kItems, "件 "},
      {texts::kAbout, "残り約"},
      {texts::kMinutes, "分"},
      {texts::kUnderAMinute, "残り1分未満"},
      {texts::kFailNoAnswer, "応答がありません"},
      {texts::kFailServerError, "サーバーエラー（HTTP "},
      {texts::kFailRedirectLoop, "転送を続けられません（HTTP "},
      {texts::kFailBadAnswer, "応答を読み取れません"},
      {texts::kFailCutBody, "受信が途中で切れました"},
      {texts::kFailTooSlow, "受信が遅すぎるため打ち切りました"},
      {texts::kFailTimedOut, "ダウンロードが終わらないため打ち切りました"},
      {texts::kFailCertificate, "証明書を確認できません"},
      {texts::kFailProxyAuth, "プロキシの認証が必要です"},
      {texts::kFailRedirected, "別のホストへの転送を拒否しました"},
      {texts::kFailGone, "ページがありません"},
      {texts::kFailUnfetchable, "取得できないアドレスです"},
      {texts::kFailNotWritten, "一時フォルダに書き込めません"},
      {texts::kFailStopped, "停止しました"},
      {texts::kRetriedNextRun, "（次回の実行で再取得します）"},
      {texts::kParenOpen, "（"},
      {texts::kParenClose, "）"},
      {texts::kCertificateUnverified,
       "ショップの証明書を確認できません。パソコンの日付と時刻、プロキシやセキュリティソフトの設定を確認してください"},
      {texts::kProxyAuthRequired,
       "プロキシの認証が必要です。プロキシの設定（ユーザー名とパスワード）を確認してください"},
      {texts::kDetailsRedirected,
       "詳細ページがすべて別のホストへ転送されたため取得できませんでした: "},
  };
  for (const auto& [text, words] : messages) {
    std::string sjis;
    ASSERT_TRUE(platform::ToShiftJis(words, platform::TEncoding::kUtf8, sjis));
    EXPECT_EQ(Hex(text), Hex(sjis)) << words;
  }
}

TEST(HarvestTexts, PageCountLabelsDifferOnlyByTheColon) {
  // The label recognised in the item table and the one whose value is read
  // are two different texts; a mix-up loses every page count.
  const std::string bare = texts::kLabelPagesBare;
  const std::string with_colon = texts::kLabelPages;
  ASSERT_EQ(with_colon.size(), bare.size() + 3);
  EXPECT_EQ(with_colon.substr(0, bare.size()), bare);
  EXPECT_EQ(with_colon.substr(bare.size()), " \x81\x46");  // " ："
}

}  // namespace
}  // namespace kivo
