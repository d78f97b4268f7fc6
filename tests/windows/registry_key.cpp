#include "registry_key.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr wchar_t kQuillsetterKey[] = L"Software\\Tavrin Ltd\\Quillsetter";

}  // namespace

DWORD RegistryValue::Dword() const {
  DWORD number = 0;
  if (data.size() == sizeof number) std::memcpy(&number, data.data(), sizeof number);
  return number;
}

std::wstring RegistryValue::Text() const {
  std::wstring text(data.size() / sizeof(wchar_t), L'\0');
  std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

RegistryValues ValuesOf(const std::wstring& subkey) {
  RegistryValues values;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return values;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    auto nameLength = static_cast<DWORD>(std::size(name));
    DWORD type = 0;
    DWORD size = 0;
    if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
      break;
    }
    RegistryValue value{type, std::vector<BYTE>(size)};
    EXPECT_EQ(RegQueryValueExW(key, name, nullptr, &type, value.data.data(), &size), ERROR_SUCCESS);
    values.emplace(name, std::move(value));
  }
  RegCloseKey(key);
  return values;
}

RegistryValues QuillsetterValues() { return ValuesOf(kQuillsetterKey); }

void DeleteQuillsetterKey() {
  const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, kQuillsetterKey);
  EXPECT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << status;
  RegDeleteKeyW(HKEY_CURRENT_USER, kQuillsetterKey);
}

void WriteValue(const std::wstring& name, DWORD type, const std::vector<BYTE>& data) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kQuillsetterKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(
      RegSetValueExW(key, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())),
      ERROR_SUCCESS);
  RegCloseKey(key);
}

void WriteDword(const std::wstring& name, DWORD number) {
  std::vector<BYTE> data(sizeof number);
  std::memcpy(data.data(), &number, sizeof number);
  WriteValue(name, REG_DWORD, data);
}

void WriteString(const std::wstring& name, const std::wstring& text) {
  std::vector<BYTE> data((text.size() + 1) * sizeof(wchar_t));
  std::memcpy(data.data(), text.c_str(), data.size());
  WriteValue(name, REG_SZ, data);
}
