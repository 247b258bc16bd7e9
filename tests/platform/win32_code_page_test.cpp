// The ANSI code page the Windows test programs run under. scripts/wine-test
// and the end-to-end harvest under Wine choose it through the Unix locale
// and name it in KIVO_EXPECT_ACP; this makes sure Wine really gave it, so
// the other results were had under that code page.
#ifdef _WIN32

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

namespace kivo::platform {
namespace {

TEST(Win32CodePage, TheSystemRunsTheCodePageTheRunWasMeantFor) {
  const char* want = std::getenv("KIVO_EXPECT_ACP");
  if (!want) GTEST_SKIP() << "KIVO_EXPECT_ACP not set";
  EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(want)));
}

}  // namespace
}  // namespace kivo::platform

#endif  // _WIN32
