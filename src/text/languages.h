// The languages of locale identifiers that steer date pictures and era names.
#pragma once

namespace keeper {

inline constexpr unsigned LanguageChinese = 4;                ///< LANG_CHINESE
inline constexpr unsigned LanguageEnglish = 9;                ///< LANG_ENGLISH
inline constexpr unsigned LanguageJapanese = 17;              ///< LANG_JAPANESE
inline constexpr unsigned LanguageKorean = 18;                ///< LANG_KOREAN
inline constexpr unsigned SubLanguageChineseTraditional = 1;  ///< SUBLANG_CHINESE_TRADITIONAL
inline constexpr unsigned SubLanguageEnglishUs = 1;           ///< SUBLANG_ENGLISH_US

}  // namespace keeper
