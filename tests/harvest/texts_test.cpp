// Pins the bytes of every harvest text: these are compared with the shop's
// pages and written into the host's files, so one wrong byte silently breaks
// a whole run.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "harvest/harvest_texts.h"
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

TEST(HarvestTexts, TheFetchersWordsHaveTheirShiftJisBytes) {
  // The log lines and errors that name a failed fetch; the comments hold
  // the words.
  struct Pin {
    std::string_view text;
    const char* hex;
  };
  const Pin pins[] = {
      // "応答がありません"
      {texts::kFailNoAnswer, "89 9E 93 9A 82 AA 82 A0 82 E8 82 DC 82 B9 82 F1"},
      // "サーバーエラー（HTTP "
      {texts::kFailServerError, "83 54 81 5B 83 6F 81 5B 83 47 83 89 81 5B 81 69 48 54 54 50 20"},
      // "転送を続けられません（HTTP "
      {texts::kFailRedirectLoop,
       "93 5D 91 97 82 F0 91 B1 82 AF 82 E7 82 EA 82 DC 82 B9 82 F1 81 69 48 54 "
       "54 50 20"},
      // "応答を読み取れません"
      {texts::kFailBadAnswer, "89 9E 93 9A 82 F0 93 C7 82 DD 8E E6 82 EA 82 DC 82 B9 82 F1"},
      // "受信が途中で切れました"
      {texts::kFailCutBody, "8E F3 90 4D 82 AA 93 72 92 86 82 C5 90 D8 82 EA 82 DC 82 B5 82 BD"},
      // "受信が遅すぎるため打ち切りました"
      {texts::kFailTooSlow,
       "8E F3 90 4D 82 AA 92 78 82 B7 82 AC 82 E9 82 BD 82 DF 91 C5 82 BF 90 D8 "
       "82 E8 82 DC 82 B5 82 BD"},
      // "ダウンロードが終わらないため打ち切りました"
      {texts::kFailTimedOut,
       "83 5F 83 45 83 93 83 8D 81 5B 83 68 82 AA 8F 49 82 ED 82 E7 82 C8 82 A2 "
       "82 BD 82 DF 91 C5 82 BF 90 D8 82 E8 82 DC 82 B5 82 BD"},
      // "証明書を確認できません"
      {texts::kFailCertificate,
       "8F D8 96 BE 8F 91 82 F0 8A 6D 94 46 82 C5 82 AB 82 DC 82 B9 82 F1"},
      // "プロキシの認証が必要です"
      {texts::kFailProxyAuth,
       "83 76 83 8D 83 4C 83 56 82 CC 94 46 8F D8 82 AA 95 4B 97 76 82 C5 82 B7"},
      // "別のホストへの転送を拒否しました"
      {texts::kFailRedirected,
       "95 CA 82 CC 83 7A 83 58 83 67 82 D6 82 CC 93 5D 91 97 82 F0 8B 91 94 DB "
       "82 B5 82 DC 82 B5 82 BD"},
      // "ページがありません"
      {texts::kFailGone, "83 79 81 5B 83 57 82 AA 82 A0 82 E8 82 DC 82 B9 82 F1"},
      // "取得できないアドレスです"
      {texts::kFailUnfetchable,
       "8E E6 93 BE 82 C5 82 AB 82 C8 82 A2 83 41 83 68 83 8C 83 58 82 C5 82 B7"},
      // "一時フォルダに書き込めません"
      {texts::kFailNotWritten,
       "88 EA 8E 9E 83 74 83 48 83 8B 83 5F 82 C9 8F 91 82 AB 8D 9E 82 DF 82 DC "
       "82 B9 82 F1"},
      // "停止しました"
      {texts::kFailStopped, "92 E2 8E 7E 82 B5 82 DC 82 B5 82 BD"},
      // "（次回の実行で再取得します）"
      {texts::kRetriedNextRun,
       "81 69 8E 9F 89 F1 82 CC 8E C0 8D 73 82 C5 8D C4 8E E6 93 BE 82 B5 82 DC "
       "82 B7 81 6A"},
      // "（"
      {texts::kParenOpen, "81 69"},
      // "）"
      {texts::kParenClose, "81 6A"},
      // "ショップの証明書を確認できません。パソコンの日付と時刻、プロキシやセキュリティソフトの設定を確認してください"
      {texts::kCertificateUnverified,
       "83 56 83 87 83 62 83 76 82 CC 8F D8 96 BE 8F 91 82 F0 8A 6D 94 46 82 C5 "
       "82 AB 82 DC 82 B9 82 F1 81 42 83 70 83 5C 83 52 83 93 82 CC 93 FA 95 74 "
       "82 C6 8E 9E 8D 8F 81 41 83 76 83 8D 83 4C 83 56 82 E2 83 5A 83 4C 83 85 "
       "83 8A 83 65 83 42 83 5C 83 74 83 67 82 CC 90 DD 92 E8 82 F0 8A 6D 94 46 "
       "82 B5 82 C4 82 AD 82 BE 82 B3 82 A2"},
      // "プロキシの認証が必要です。プロキシの設定（ユーザー名とパスワード）を確認してください"
      {texts::kProxyAuthRequired,
       "83 76 83 8D 83 4C 83 56 82 CC 94 46 8F D8 82 AA 95 4B 97 76 82 C5 82 B7 "
       "81 42 83 76 83 8D 83 4C 83 56 82 CC 90 DD 92 E8 81 69 83 86 81 5B 83 55 "
       "81 5B 96 BC 82 C6 83 70 83 58 83 8F 81 5B 83 68 81 6A 82 F0 8A 6D 94 46 "
       "82 B5 82 C4 82 AD 82 BE 82 B3 82 A2"},
      // "詳細ページがすべて別のホストへ転送されたため取得できませんでした: "
      {texts::kDetailsRedirected,
       "8F DA 8D D7 83 79 81 5B 83 57 82 AA 82 B7 82 D7 82 C4 95 CA 82 CC 83 7A "
       "83 58 83 67 82 D6 93 5D 91 97 82 B3 82 EA 82 BD 82 BD 82 DF 8E E6 93 BE "
       "82 C5 82 AB 82 DC 82 B9 82 F1 82 C5 82 B5 82 BD 3A 20"},
  };
  for (const Pin& pin : pins) {
    EXPECT_EQ(Hex(pin.text), pin.hex);
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
