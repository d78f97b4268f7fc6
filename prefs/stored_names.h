#pragma once

// The names the choices are stored under, exactly as they have always been written ("DsiableESCt"
// included). A printer settings file keeps the printer settings under the same names.
namespace prefs::names {

inline constexpr const char* kLanguage = "Language";
inline constexpr const char* kPort = "Port";
inline constexpr const char* kBaud = "Baud";
inline constexpr const char* kIntensity = "Intensity";
inline constexpr const char* kSpeed = "Speed";
inline constexpr const char* kCountry = "Country";
inline constexpr const char* kCodePage = "CodePage";
inline constexpr const char* kNewBaud = "NewBaud";
inline constexpr const char* kAutoCutter = "Autocutter";
inline constexpr const char* kPaper = "Paper";
inline constexpr const char* kProtocol = "Protocol";
inline constexpr const char* kCommandSet = "Commandset";
inline constexpr const char* kEsct = "DsiableESCt";

}  // namespace prefs::names
