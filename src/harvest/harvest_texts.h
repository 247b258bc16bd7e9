// The harvest's Japanese (and fixed ASCII) texts, as the Shift-JIS bytes the
// shop's pages and the host's files hold. Kept in one place so that a test can
// pin every byte (tests/harvest/texts_test.cpp); the readable text stands in
// the comment above each one.
//
// Each is a char array so it joins a std::string with "+" and converts to
// std::string_view without a length call at run time.
#pragma once

namespace kivo::texts {

// Detail page item-table labels and the value bits they carry.
// "出版年月": publication-month row (its value is never used)
inline constexpr char kLabelPublishMonth[] = "\x8fo\x94\xc5\x94N\x8c\x8e";
// "出版社名": publisher row
inline constexpr char kLabelPublisher[] = "\x8fo\x94\xc5\x8e\xd0\x96\xbc";
// "ISBNコード": ISBN row
inline constexpr char kLabelIsbn[] = "ISBN\x83R\x81[\x83h";
// "税込価格": price-including-tax row
inline constexpr char kLabelPrice[] = "\x90\xc5\x8d\x9e\x89\xbf\x8ai";
// "シリーズ名": series row
inline constexpr char kLabelSeries[] = "\x83V\x83\x8a\x81[\x83Y\x96\xbc";
// "頁数・縦": page-count label without the colon: taken as a label, its value dropped
inline constexpr char kLabelPagesBare[] = "\x95\xc5\x90\x94\x81\x45\x8f\x63";
// "頁数・縦 ：": page-count and size row
inline constexpr char kLabelPages[] = "\x95\xc5\x90\x94\x81\x45\x8f\x63 \x81\x46";
// "円": currency sign stripped from the price
inline constexpr char kYen[] = "\x89~";
// "（": full-width opening parenthesis
inline constexpr char kZenParenOpen[] = "\x81i";
// "）": full-width closing parenthesis
inline constexpr char kZenParenClose[] = "\x81j";
// "　": full-width space
inline constexpr char kZenSpace[] = "\x81@";

// Listing page markers and category headings.
// "本日の新刊"
inline constexpr char kTodaysNewBooks[] = "\x96{\x93\xfa\x82\xcc\x90V\x8a\xa7";
// "月"
inline constexpr char kMonth[] = "\x8c\x8e";
// "日"
inline constexpr char kDay[] = "\x93\xfa";
// "[日付別新刊ページ]"
inline constexpr char kByDateLink[] = "[\x93\xfa\x95t\x95\xca\x90V\x8a\xa7\x83y\x81[\x83W]";
// "次のページへ"
inline constexpr char kNextPage[] = "\x8e\x9f\x82\xcc\x83y\x81[\x83W\x82\xd6";
// "▼"
inline constexpr char kTriangleDown[] = "\x81\xa5";
// "文庫・新書"
inline constexpr char kCategoryPaperback[] = "\x95\xb6\x8c\xc9\x81\x45\x90V\x8f\x91";
// "コミック"
inline constexpr char kCategoryComic[] = "\x83R\x83~\x83\x62\x83N";

// Run progress and log texts.
// "kivoダウンロード"
inline constexpr char kDownloadKivo[] = "kivo\x83_\x83\x45\x83\x93\x83\x8d\x81[\x83h";
// "ダウンロード"
inline constexpr char kDownload[] = "\x83_\x83\x45\x83\x93\x83\x8d\x81[\x83h";
// " 失敗-"
inline constexpr char kFailedDash[] = " \x8e\xb8\x94s-";
// "kivo失敗."
inline constexpr char kKivoFailed[] = "kivo\x8e\xb8\x94s.";
// "Analyze Error "
inline constexpr char kAnalyzeError[] = "Analyze Error ";
// "h = "
inline constexpr char kHEquals[] = "h = ";
// "*** kivo DLL ***"
inline constexpr char kDllBanner[] = "*** kivo DLL ***";

// "結果: 追加 ", "件、取得失敗 ", "件、日数 ": the run's summary line,
// "結果: 追加 N件、取得失敗 M件、日数 D"
inline constexpr char kResultAdded[] = "\x8c\x8b\x89\xca: \x92\xc7\x89\xc1 ";
inline constexpr char kResultFailed[] = "\x8c\x8f\x81\x41\x8e\xe6\x93\xbe\x8e\xb8\x94s ";
inline constexpr char kResultDays[] = "\x8c\x8f\x81\x41\x93\xfa\x90\x94 ";
// "ショップから応答がないため中止しました"
inline constexpr char kShopNotAnswering[] =
    "\x83V\x83\x87\x83\x62\x83v\x82\xa9\x82\xe7\x89\x9e\x93\x9a\x82\xaa\x82\xc8\x82\xa2\x82\xbd"
    "\x82\xdf\x92\x86\x8e~\x82\xb5\x82\xdc\x82\xb5\x82\xbd";
// "ページの形式が変わった可能性があります"
inline constexpr char kPagesChanged[] =
    "\x83y\x81[\x83W\x82\xcc\x8c`\x8e\xae\x82\xaa\x95\xcf\x82\xed\x82\xc1\x82\xbd\x89\xc2\x94\x5c"
    "\x90\xab\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7";

// "取得する日数がマイナスのため何も取得しません。0以上の日数を設定してください":
// a negative days value walks no day
inline constexpr char kNegativeDays[] =
    "\x8e\xe6\x93\xbe\x82\xb7\x82\xe9\x93\xfa\x90\x94\x82\xaa\x83}\x83"
    "C\x83i\x83X\x82\xcc"
    "\x82\xbd\x82\xdf\x89\xbd\x82\xe0\x8e\xe6\x93\xbe\x82\xb5\x82\xdc\x82\xb9\x82\xf1\x81"
    "B0"
    "\x88\xc8\x8f\xe3\x82\xcc\x93\xfa\x90\x94\x82\xf0\x90\xdd\x92\xe8\x82\xb5\x82\xc4\x82\xad"
    "\x82\xbe\x82\xb3\x82\xa2";
// "の一覧が" and "ページを超えたため、残りは次回取得します": a day whose
// listing went on past the page cap, "12月7日の一覧が100ページを超えたため、…"
inline constexpr char kListingOf[] = "\x82\xcc\x88\xea\x97\x97\x82\xaa";
inline constexpr char kPagesCapped[] =
    "\x83y\x81[\x83W\x82\xf0\x92\xb4\x82\xa6\x82\xbd\x82\xbd\x82\xdf\x81"
    "A\x8e"
    "c\x82\xe8\x82\xcd"
    "\x8e\x9f\x89\xf1\x8e\xe6\x93\xbe\x82\xb5\x82\xdc\x82\xb7";
// "題名もISBNもないページが3回続いたため取得済みにしました: ": a detail
// page read empty by three runs, recorded as fetched (its link follows)
inline constexpr char kEmptyPageRecorded[] =
    "\x91\xe8\x96\xbc\x82\xe0ISBN\x82\xe0\x82\xc8\x82\xa2\x83y\x81[\x83W\x82\xaa"
    "3\x89\xf1\x91\xb1"
    "\x82\xa2\x82\xbd\x82\xbd\x82\xdf\x8e\xe6\x93\xbe\x8d\xcf\x82\xdd\x82\xc9\x82\xb5\x82\xdc\x82"
    "\xb5"
    "\x82\xbd: ";

// The status bar during a run, "3/31日目 追加 12件 残り約4分": "日目",
// "追加 ", "件 ", "残り約", "分", and "残り1分未満" under a minute.
inline constexpr char kDayOf[] = "\x93\xfa\x96\xda";
inline constexpr char kAdded[] = "\x92\xc7\x89\xc1 ";
inline constexpr char kItems[] = "\x8c\x8f ";
inline constexpr char kAbout[] =
    "\x8e"
    "c\x82\xe8\x96\xf1";
inline constexpr char kMinutes[] = "\x95\xaa";
inline constexpr char kUnderAMinute[] =
    "\x8e"
    "c\x82\xe8"
    "1\x95\xaa\x96\xa2\x96\x9e";

// "一覧ページを取得できませんでした": no listing page of the run came
inline constexpr char kNoListingPage[] =
    "\x88\xea\x97\x97\x83y\x81\x5b\x83W\x82\xf0\x8e\xe6\x93\xbe\x82\xc5\x82\xab\x82\xdc\x82\xb9"
    "\x82\xf1\x82\xc5\x82\xb5\x82\xbd";
// "powershell を起動できないためダウンロードできません": the download helper
// could not be started
inline constexpr char kHelperNotStarted[] =
    "powershell \x82\xf0\x8bN\x93\xae\x82\xc5\x82\xab\x82\xc8\x82\xa2\x82\xbd\x82\xdf\x83_\x83\x45"
    "\x83\x93\x83\x8d\x81\x5b\x83h\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1";

// The page fetcher's words: its log line for each failed fetch (the kind,
// then the address), and the errors of the failures that end a run.

// "応答がありません": no answer at all
inline constexpr char kFailNoAnswer[] =
    "\x89\x9e\x93\x9a\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";
// "サーバーエラー（HTTP ": an error status: then the status and "）"
inline constexpr char kFailServerError[] = "\x83T\x81[\x83o\x81[\x83G\x83\x89\x81[\x81iHTTP ";
// "転送を続けられません（HTTP ": redirects that lead nowhere: then the status and "）"
inline constexpr char kFailRedirectLoop[] =
    "\x93]\x91\x97\x82\xf0\x91\xb1\x82\xaf\x82\xe7\x82\xea\x82\xdc\x82\xb9\x82\xf1\x81iHTTP ";
// "応答を読み取れません": an answer that cannot be used (empty, too large)
inline constexpr char kFailBadAnswer[] =
    "\x89\x9e\x93\x9a\x82\xf0\x93\xc7\x82\xdd\x8e\xe6\x82\xea\x82\xdc\x82\xb9\x82\xf1";
// "受信が途中で切れました": a body cut short
inline constexpr char kFailCutBody[] =
    "\x8e\xf3\x90M\x82\xaa\x93r\x92\x86\x82\xc5\x90\xd8\x82\xea\x82\xdc\x82\xb5\x82\xbd";
// "受信が遅すぎるため打ち切りました": an answer that came too slowly
inline constexpr char kFailTooSlow[] =
    "\x8e\xf3\x90M\x82\xaa\x92x\x82\xb7\x82\xac\x82\xe9\x82\xbd\x82\xdf\x91\xc5\x82\xbf\x90\xd8"
    "\x82\xe8\x82\xdc\x82\xb5\x82\xbd";
// "ダウンロードが終わらないため打ち切りました": a helper the plugin ended for taking too long
inline constexpr char kFailTimedOut[] =
    "\x83_\x83\x45\x83\x93\x83\x8d\x81[\x83h\x82\xaa\x8fI\x82\xed\x82\xe7\x82\xc8\x82\xa2\x82\xbd"
    "\x82\xdf\x91\xc5\x82\xbf\x90\xd8\x82\xe8\x82\xdc\x82\xb5\x82\xbd";
// "証明書を確認できません": a secure connection that cannot be verified
inline constexpr char kFailCertificate[] =
    "\x8f\xd8\x96\xbe\x8f\x91\x82\xf0\x8am\x94\x46\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1";
// "プロキシの認証が必要です": a proxy that wants credentials
inline constexpr char kFailProxyAuth[] =
    "\x83v\x83\x8d\x83L\x83V\x82\xcc\x94\x46\x8f\xd8\x82\xaa\x95K\x97v\x82\xc5\x82\xb7";
// "別のホストへの転送を拒否しました": a refused redirect: then "（", its host and "）"
inline constexpr char kFailRedirected[] =
    "\x95\xca\x82\xcc\x83z\x83X\x83g\x82\xd6\x82\xcc\x93]\x91\x97\x82\xf0\x8b\x91\x94\xdb\x82\xb5"
    "\x82\xdc\x82\xb5\x82\xbd";
// "ページがありません": the shop's 404 or 410
inline constexpr char kFailGone[] =
    "\x83y\x81[\x83W\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";
// "取得できないアドレスです": an address that can never be fetched
inline constexpr char kFailUnfetchable[] =
    "\x8e\xe6\x93\xbe\x82\xc5\x82\xab\x82\xc8\x82\xa2\x83\x41\x83h\x83\x8c\x83X\x82\xc5\x82\xb7";
// "一時フォルダに書き込めません": a page that could not be written down
inline constexpr char kFailNotWritten[] =
    "\x88\xea\x8e\x9e\x83t\x83H\x83\x8b\x83_\x82\xc9\x8f\x91\x82\xab\x8d\x9e\x82\xdf\x82\xdc\x82"
    "\xb9\x82\xf1";
// "停止しました": a download ended by Stop
inline constexpr char kFailStopped[] = "\x92\xe2\x8e~\x82\xb5\x82\xdc\x82\xb5\x82\xbd";
// "（次回の実行で再取得します）": after a failure the next run tries again
inline constexpr char kRetriedNextRun[] =
    "\x81i\x8e\x9f\x89\xf1\x82\xcc\x8e\xc0\x8ds\x82\xc5\x8d\xc4\x8e\xe6\x93\xbe\x82\xb5\x82\xdc"
    "\x82\xb7\x81j";
// "（"
inline constexpr char kParenOpen[] = "\x81i";
// "）"
inline constexpr char kParenClose[] = "\x81j";
// The run ends: the shop cannot be verified.
// "ショップの証明書を確認できません。パソコンの日付と時刻、プロキシやセキュリティソフトの設定を確認してください"
inline constexpr char kCertificateUnverified[] =
    "\x83V\x83\x87\x83\x62\x83v\x82\xcc\x8f\xd8\x96\xbe\x8f\x91\x82\xf0\x8am\x94\x46\x82\xc5\x82"
    "\xab\x82\xdc\x82\xb9\x82\xf1\x81\x42\x83p\x83\x5c\x83R\x83\x93\x82\xcc\x93\xfa\x95t\x82\xc6"
    "\x8e\x9e\x8d\x8f\x81\x41\x83v\x83\x8d\x83L\x83V\x82\xe2\x83Z\x83L\x83\x85\x83\x8a\x83\x65"
    "\x83\x42\x83\x5c\x83t\x83g\x82\xcc\x90\xdd\x92\xe8\x82\xf0\x8am\x94\x46\x82\xb5\x82\xc4\x82"
    "\xad\x82\xbe\x82\xb3\x82\xa2";
// The run ends: the proxy wants credentials.
// "プロキシの認証が必要です。プロキシの設定（ユーザー名とパスワード）を確認してください"
inline constexpr char kProxyAuthRequired[] =
    "\x83v\x83\x8d\x83L\x83V\x82\xcc\x94\x46\x8f\xd8\x82\xaa\x95K\x97v\x82\xc5\x82\xb7\x81\x42"
    "\x83v\x83\x8d\x83L\x83V\x82\xcc\x90\xdd\x92\xe8\x81i\x83\x86\x81[\x83U\x81[\x96\xbc\x82\xc6"
    "\x83p\x83X\x83\x8f\x81[\x83h\x81j\x82\xf0\x8am\x94\x46\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82"
    "\xb3\x82\xa2";
// Every detail page of a run was sent elsewhere; then the host.
// "詳細ページがすべて別のホストへ転送されたため取得できませんでした: "
inline constexpr char kDetailsRedirected[] =
    "\x8f\xda\x8d\xd7\x83y\x81[\x83W\x82\xaa\x82\xb7\x82\xd7\x82\xc4\x95\xca\x82\xcc\x83z\x83X"
    "\x83g\x82\xd6\x93]\x91\x97\x82\xb3\x82\xea\x82\xbd\x82\xbd\x82\xdf\x8e\xe6\x93\xbe\x82\xc5"
    "\x82\xab\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd: ";

}  // namespace kivo::texts
