#pragma once

#include "extraction/names/KTNamePlausibility.h"

#include <cstddef>
#include <cstdint>

// What one decoded character tells of the code page that produced it: its
// script, its case, how often people put it in names, and for an accented
// Latin letter the languages that write it. The frequency tables behind it
// are built once, on first use.
struct KTCharacterClass {
    enum Script : uint8_t { NoLetter, AsciiLatin, Latin, Cyrillic, Greek, Hebrew, Arabic, Thai, Han, Kana, HalfKana, Hangul, OtherLetter };
    // The Latin-script languages that `languages` flags, one bit each.
    static constexpr size_t LatinLanguageCount = 18;

    // Han, kana and Hangul each stand for two bytes, so their scores are
    // about twice a single-byte letter's.
    float score = 0.0f;
    Script script = NoLetter;
    bool upper = false;
    bool lower = false;
    uint32_t languages = 0;

    static KTCharacterClass of(char16_t c, KTNamePlausibility::Language language);

    // Rules of the scripts that only hold in context: a mark belongs on a
    // letter of its script, a Thai leading vowel comes before a consonant,
    // monotonic Greek accents a word once.
    static bool isHebrewPoint(char16_t c);
    static bool isArabicMark(char16_t c);
    static bool isThaiConsonant(char16_t c);
    static bool isThaiCombining(char16_t c);
    static bool isThaiLeadingVowel(char16_t c);
    static bool isGreekAccented(char16_t c);
    static bool greekPairAllowed(char16_t a, char16_t b);
};
