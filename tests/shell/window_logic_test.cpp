// The plugin window's life: modes, the days value and its limit, closing,
// and the error handler.
#include "shell/window_logic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "about/version_values.h"
#include "platform/file_messages.h"
#include "platform/platform.h"
#include "shell/shell_texts.h"
#include "shell/window_logic_fixture.h"

namespace kivo::testing {
namespace {

constexpr char kStartPrefix[] = "--- START ---\t2026-12-07 10:00:00";

using FormLifeTest = FormTest;

TEST_F(FormLifeTest, OnlyAnExactSlashCIsConfiguration) {
  EXPECT_TRUE(MakeForm({"/c"}).ConfigurationMode());
  EXPECT_TRUE(MakeForm({"/c", "more"}).ConfigurationMode());
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"/C"}, {"-c"}, {"x"}, {""}, {"/c "}, {"x", "/c"}}) {
    EXPECT_FALSE(MakeForm(args).ConfigurationMode()) << (args.empty() ? "(none)" : args[0]);
  }
}

TEST_F(FormLifeTest, HostFolderIsTheProgramFolderPlusDotDot) {
  TFormDLL& form = MakeForm({"/c"});
  form.FormCreate();
  EXPECT_EQ(form.RunState().FHostDir, HostDir());
}

struct DaysCase {
  const char* stored;  // "-" = no section "kivo"
  int expected;
};

class DaysReadTest : public FormTest, public ::testing::WithParamInterface<DaysCase> {};

TEST_P(DaysReadTest, StoredDaysOrThirty) {
  WriteSettings(GetParam().stored, "0");
  TFormDLL& form = MakeForm({"/c"});
  form.Invoke([&] { form.FormCreate(); });
  EXPECT_EQ(form.RunState().FBeforeDays, GetParam().expected);
  EXPECT_EQ(view_.days_text, std::to_string(GetParam().expected));
  EXPECT_TRUE(view_.information_boxes.empty());
  EXPECT_EQ(view_.status_text, "");
}

INSTANTIATE_TEST_SUITE_P(Values, DaysReadTest,
                         ::testing::Values(DaysCase{"-", 30}, DaysCase{"", 30}, DaysCase{"abc", 30},
                                           DaysCase{"12", 12}, DaysCase{"0", 0}, DaysCase{"-5", -5},
                                           DaysCase{"99999999999", 30}, DaysCase{"7x", 30},
                                           DaysCase{"2147483647", 2147483647}));

TEST_F(FormLifeTest, NoSettingsFileAtAllGivesThirty) {
  TFormDLL& form = MakeForm({});
  form.Invoke([&] { form.FormCreate(); });
  EXPECT_EQ(form.RunState().FBeforeDays, 30);
  EXPECT_EQ(view_.status_text, "");
}

TEST_F(FormLifeTest, CappedAtCreationWithBoxOnlyWhenAnArgumentWasGiven) {
  struct Case {
    std::vector<std::string> args;
    bool box;
  };
  for (const Case& c :
       {Case{{"/c"}, true}, Case{{"x"}, true}, Case{{}, false}, Case{{""}, false}}) {
    form_.reset();
    view_ = FakeView();
    WriteSettings("60", "45");
    TFormDLL& form = MakeForm(c.args);
    form.Invoke([&] { form.FormCreate(); });
    EXPECT_EQ(form.RunState().FBeforeDays, 45);
    EXPECT_EQ(view_.days_text, "45");
    ASSERT_EQ(view_.information_boxes.size(), c.box ? 1u : 0u);
    if (c.box) {
      EXPECT_EQ(view_.information_boxes[0], texts::kDaysCappedMessage);
    }
  }
}

TEST_F(FormLifeTest, LimitBeforeDaysCases) {
  struct Case {
    const char* delete_days;
    int days;
    int expected;
    bool box;
  };
  const Case cases[] = {
      {"45", 60, 45, true},   {"45", 45, 45, false},   {"45", 44, 44, false},
      {"0", 500, 500, false}, {"-3", 500, 500, false}, {"abc", 500, 500, false},
      {"", 500, 500, false},  {"45", 0, 0, false},     {"45", -7, -7, false},
      {"1", 2, 1, true},
  };
  TFormDLL& form = MakeForm({"/c"});
  form.FormCreate();
  for (const Case& c : cases) {
    WriteSettings("-", c.delete_days);
    view_.information_boxes.clear();
    EXPECT_EQ(form.LimitBeforeDays(c.days), c.expected) << c.delete_days << " " << c.days;
    EXPECT_EQ(view_.information_boxes.size(), c.box ? 1u : 0u) << c.delete_days << " " << c.days;
  }
}

TEST_F(FormLifeTest, TheHostsValueIsReadAfreshEachTime) {
  WriteSettings("-", "45");
  TFormDLL& form = MakeForm({});
  form.FormCreate();
  EXPECT_EQ(form.LimitBeforeDays(60), 45);
  WriteSettings("-", "50");  // the host changed it meanwhile
  EXPECT_EQ(form.LimitBeforeDays(60), 50);
}

TEST_F(FormLifeTest, LeavingTheDaysFieldLimitsItButNotTheRun) {
  WriteSettings("20", "45");
  TFormDLL& form = StartConfiguration();
  view_.days_text = "90";
  form.Invoke([&] { form.BeforeDaysExit(); });
  EXPECT_EQ(view_.days_text, "45");
  EXPECT_EQ(view_.information_boxes.size(), 1u);
  EXPECT_EQ(form.RunState().FBeforeDays, 20);
  view_.days_text = "not a number";
  form.Invoke([&] { form.BeforeDaysExit(); });
  EXPECT_EQ(view_.days_text, "30");
  view_.days_text = "";
  form.Invoke([&] { form.BeforeDaysExit(); });
  EXPECT_EQ(view_.days_text, "30");
  EXPECT_EQ(view_.information_boxes.size(), 1u);
}

TEST_F(FormLifeTest, HistoryIsLoadedWhenPresent) {
  WriteHostFile("kivo.txt", "20261201/a\r\n20261202/b\r\n");
  TFormDLL& form = MakeForm({"/c"});
  form.Invoke([&] { form.FormCreate(); });
  EXPECT_EQ(form.RunState().FHistory.Count(), 2u);
  EXPECT_TRUE(form.RunState().FHistory.IsInHistory("/b"));
  form.Invoke([&] { form.FormDestroy(); });
  EXPECT_EQ(form.RunState().FHistory.Count(), 0u);
}

TEST_F(FormLifeTest, UnreadableHistoryGoesToTheHandlerAfterTheDaysAreSet) {
#ifdef __linux__
  // A regular file whose every read fails, whoever we run as.
  std::filesystem::create_symlink("/proc/self/mem", HostPath("kivo.txt"));
#else
  GTEST_SKIP() << "no file here that exists and cannot be read";
#endif
  TFormDLL& form = MakeForm({"/c"});
  form.Invoke([&] { form.FormCreate(); });
  // The path and " を読み込めません", in words the user can act on.
  EXPECT_EQ(view_.status_text,
            HostDir() + platform::PathSeparator() + "kivo.txt" + messages::kCannotRead);
  EXPECT_EQ(view_.days_text, "30");
  EXPECT_EQ(form.RunState().FBeforeDays, 30);
  EXPECT_EQ(view_.closes, 0);
  // Before the log is on, the error is shown only.
  EXPECT_FALSE(std::filesystem::exists(HostPath("Quillcas.log")));
}

TEST_F(FormLifeTest, ConfigurationModeOpensTheLogAndStaysOpen) {
  WriteSettings("10", "0");
  TFormDLL& form = StartConfiguration();
  EXPECT_EQ(view_.closes, 0);
  EXPECT_TRUE(host_.commands.empty());
  // The log is on, in the host folder.
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], kStartPrefix);
  EXPECT_EQ(lines[1], std::string("Version ") + KIVO_FILE_VERSION);
  // A second activation does nothing.
  form.Invoke([&] { form.FormActivate(); });
  EXPECT_EQ(LogLines().size(), 2u);
  EXPECT_EQ(view_.closes, 0);
}

TEST_F(FormLifeTest, HarvestModeRunsOnceAndClosesItself) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{}, {"/C"}, {"-c"}, {"x"}}) {
    form_.reset();  // its end line goes to the old log
    view_ = FakeView();
    host_ = FakeRunHost();
    std::filesystem::remove(HostPath("Quillcast.ini"));
    std::filesystem::remove(HostPath("Quillcas.log"));
    WriteSettings("0", "0");
    TFormDLL& form = MakeForm(args);
    form.Invoke([&] { form.FormCreate(); });
    form.Invoke([&] { form.FormActivate(); });
    EXPECT_EQ(view_.closes, 1);
    EXPECT_TRUE(form.RunState().FStopRequested);
    EXPECT_EQ(LogLines().at(0), kStartPrefix);
    // The close stored the days field.
    EXPECT_NE(ReadHostFile("Quillcast.ini").find("DLBeforeDays=0"), std::string::npos);
    form.Invoke([&] { form.FormActivate(); });
    EXPECT_EQ(view_.closes, 1);
  }
}

TEST_F(FormLifeTest, AnErrorShownStaysWhileTheRunShowsItsProgress) {
  WriteSettings("0", "0");
  TFormDLL& form = MakeForm({});
  form.Invoke([&] { form.FormCreate(); });
  form.ReportException("trouble");
  form.Invoke([&] { form.FormActivate(); });
  int progress = 0;
  for (const auto& call : view_.calls) {
    if (call.rfind("SetProgress ", 0) != 0) continue;
    ++progress;
    EXPECT_NE(call.find("(error shown)"), std::string::npos) << call;
  }
  EXPECT_GT(progress, 0);
}

TEST_F(FormLifeTest, AWindowActivatedLaterStartsItsRunOnlyThen) {
  TFormDLL& form = MakeForm({});
  form.Invoke([&] { form.FormCreate(); });
  EXPECT_FALSE(std::filesystem::exists(HostPath("Quillcas.log")));
  EXPECT_EQ(view_.closes, 0);
  form.Invoke([&] { form.FormActivate(); });
  EXPECT_TRUE(std::filesystem::exists(HostPath("Quillcas.log")));
  EXPECT_EQ(view_.closes, 1);
}

TEST_F(FormLifeTest, CloseStoresTheFieldTextAndKeepsTheRestOfTheFile) {
  WriteHostFile("Quillcast.ini",
                "; host comment\r\n[TSetup]\r\nDataDeleteDays_Text=0\r\nOther=\x83\x65\r\n");
  TFormDLL& form = StartConfiguration();
  view_.days_text = "12";
  view_.Close();
  EXPECT_TRUE(form.RunState().FStopRequested);
  const std::string ini = ReadHostFile("Quillcast.ini");
  EXPECT_EQ(ini.find("; host comment\r\n[TSetup]\r\nDataDeleteDays_Text=0\r\nOther=\x83\x65\r\n"),
            0u);
  EXPECT_NE(ini.find("[kivo]"), std::string::npos);
  EXPECT_NE(ini.find("DLBeforeDays=12"), std::string::npos);
  // A close after a run's close writes again.
  view_.days_text = "13";
  view_.Close();
  EXPECT_NE(ReadHostFile("Quillcast.ini").find("DLBeforeDays=13"), std::string::npos);
  EXPECT_EQ(ReadHostFile("Quillcast.ini").find("DLBeforeDays=12"), std::string::npos);
}

TEST_F(FormLifeTest, ASettingsFileThatCannotBeWrittenStillLetsTheWindowClose) {
  // A folder in place of the settings file: reads find nothing, the write
  // fails whoever we run as.
  std::filesystem::create_directories(HostPath("Quillcast.ini"));
  TFormDLL& form = MakeForm({});
  form.Invoke([&] { form.FormCreate(); });
  EXPECT_EQ(form.RunState().FBeforeDays, 30);
  form.Invoke([&] { form.FormActivate(); });
  EXPECT_EQ(view_.closes, 1);
  EXPECT_TRUE(form.RunState().FStopRequested);
  ASSERT_FALSE(view_.status_text.empty());
  // "<path> に書き込めません"
  EXPECT_NE(view_.status_text.find("Quillcast.ini \x82\xc9\x8f\x91\x82\xab\x8d\x9e\x82\xdf"),
            std::string::npos);
  // Once from the run (its record of unfinished days), once from the close.
  EXPECT_EQ(CountLogLines("Quillcas.log: " + view_.status_text + " (C.ERROR)"), 2);
}

TEST_F(FormLifeTest, ReportExceptionShowsAndLogsOnceTheLogIsOn) {
  TFormDLL& form = MakeForm({"/c"});
  form.Invoke([&] { form.FormCreate(); });
  form.ReportException("early");
  EXPECT_EQ(view_.status_text, "early");
  EXPECT_FALSE(std::filesystem::exists(HostPath("Quillcas.log")));
  form.Invoke([&] { form.FormActivate(); });
  form.Invoke([] { throw std::runtime_error("\x83\x65\x83\x58\x83\x67 failed"); });
  EXPECT_EQ(view_.status_text, "\x83\x65\x83\x58\x83\x67 failed");
  // What carries no words of ours is shown in Japanese too.
  form.Invoke([] { throw 42; });
  EXPECT_EQ(view_.status_text, texts::kUnexpectedError);
  form.Invoke([] { throw std::bad_alloc(); });
  EXPECT_EQ(view_.status_text, texts::kOutOfMemory);
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2], "Quillcas.log: \x83\x65\x83\x58\x83\x67 failed (C.ERROR)");
  EXPECT_EQ(lines[3], std::string("Quillcas.log: ") + texts::kUnexpectedError + " (C.ERROR)");
  EXPECT_EQ(lines[4], std::string("Quillcas.log: ") + texts::kOutOfMemory + " (C.ERROR)");
  EXPECT_EQ(view_.closes, 0);  // the window carries on
}

TEST_F(FormLifeTest, TheEndLineIsWrittenWhenTheWindowGoes) {
  {
    TFormDLL& form = StartConfiguration();
    form.Invoke([&] { form.FormDestroy(); });
    form_.reset();
  }
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "--- END ---\t2026-12-07\t10:00:00");
}

}  // namespace
}  // namespace kivo::testing
