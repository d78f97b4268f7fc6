#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <map>
#include <string>
#include <vector>

// The registry as Windows' own calls see it, for tests of what the program stores there.
struct RegistryValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;

  DWORD Dword() const;
  std::wstring Text() const;
};

using RegistryValues = std::map<std::wstring, RegistryValue>;

// Every value of HKEY_CURRENT_USER\<subkey>; empty when the key is missing.
RegistryValues ValuesOf(const std::wstring& subkey);
// Every value of the program's key, HKEY_CURRENT_USER\Software\Tavrin Ltd\Quillsetter.
RegistryValues QuillsetterValues();
// Removes the program's key with everything under it.
void DeleteQuillsetterKey();

// Writes a value into the program's key.
void WriteValue(const std::wstring& name, DWORD type, const std::vector<BYTE>& data);
void WriteDword(const std::wstring& name, DWORD number);
void WriteString(const std::wstring& name, const std::wstring& text);
