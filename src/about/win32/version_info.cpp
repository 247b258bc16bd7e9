// Reads a file's version resource with the wide-character API, so a path
// with Japanese names is found on any Windows, and hands the values back as
// code page 932 text like the rest of the program.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "about/version.h"

namespace kivo {
namespace {

// A value holds at most this many characters of the resource's text.
constexpr std::size_t kMaxValueLength = 256;

std::wstring WideFrom932(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length =
      MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string To932(const wchar_t* text, std::size_t length) {
  if (length == 0) return std::string();
  const int size =
      WideCharToMultiByte(932, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(932, 0, text, static_cast<int>(length), narrow.data(), size, nullptr,
                      nullptr);
  return narrow;
}

struct Key {
  const wchar_t* name;
  std::string TVersion::*field;
};

// In the order they are read; "LeagalTradeMarks" is the key name the
// program has always queried, spelling included.
const Key kKeys[] = {
    {L"CompanyName", &TVersion::CompanyName},
    {L"FileDescription", &TVersion::FileDescription},
    {L"FileVersion", &TVersion::FileVersion},
    {L"InternalName", &TVersion::InternalName},
    {L"LegalCopyright", &TVersion::LegalCopyright},
    {L"LeagalTradeMarks", &TVersion::LegalTrademarks},
    {L"OriginalFileName", &TVersion::OriginalFileName},
    {L"ProductName", &TVersion::ProductName},
    {L"ProductVersion", &TVersion::ProductVersion},
    {L"Comment", &TVersion::Comment},
    {L"SCRNSAVE", &TVersion::ScrnSave},
};

}  // namespace

bool ReadVersionInfo(const std::string& file_name, TVersion& version) {
  version = TVersion{};
  const std::wstring path = WideFrom932(file_name);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return true;
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return true;

  void* translation = nullptr;
  UINT translation_size = 0;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translation,
                      &translation_size) ||
      translation == nullptr || translation_size < 2 * sizeof(WORD)) {
    return true;
  }
  // Only the first (language, code page) pair names the string table.
  const WORD* pair = static_cast<const WORD*>(translation);
  wchar_t table[9];
  std::swprintf(table, 9, L"%04X%04X", static_cast<unsigned>(pair[0]),
                static_cast<unsigned>(pair[1]));

  for (const Key& key : kKeys) {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\") + table + L"\\" + key.name;
    void* value = nullptr;
    UINT value_length = 0;  // characters, counting the terminating NUL
    if (!VerQueryValueW(block.data(), query.c_str(), &value, &value_length) || value == nullptr) {
      continue;
    }
    const wchar_t* text = static_cast<const wchar_t*>(value);
    std::size_t length = wcsnlen(text, value_length);
    if (length > kMaxValueLength) length = kMaxValueLength;
    version.*(key.field) = To932(text, length);
  }
  return true;
}

}  // namespace kivo
