#include "extraction/names/KTNamePlausibility.h"

#include "extraction/names/KTCharacterClass.h"

#include <QChar>

#include <algorithm>
#include <array>
#include <string_view>

namespace {

using enum KTCharacterClass::Script;
using Script = KTCharacterClass::Script;

bool alphabetic(Script s)
{
    return s == AsciiLatin || s == Latin || s == Cyrillic || s == Greek || s == Hebrew || s == Arabic || s == Thai;
}

bool eastAsian(Script s)
{
    return s == Han || s == Kana || s == HalfKana || s == Hangul;
}

// Penalty for two adjacent letters of one word in scripts that do not mix.
float scriptChangePenalty(Script a, Script b)
{
    if (a == b)
        return 0.0f;
    const auto latinLike = [](Script s) { return s == AsciiLatin || s == Latin; };
    if (latinLike(a) && latinLike(b))
        return 0.0f;
    const auto rightToLeftOrThai = [](Script s) { return s == Hebrew || s == Arabic || s == Thai; };
    if (alphabetic(a) && alphabetic(b))
        return rightToLeftOrThai(a) || rightToLeftOrThai(b) ? 3.0f : 2.0f;
    if (eastAsian(a) && eastAsian(b)) {
        if ((a == Kana && b == Hangul) || (a == Hangul && b == Kana))
            return 2.0f;
        if (a == HalfKana || b == HalfKana)
            return 1.0f;
        if (a == Hangul || b == Hangul)
            return 0.7f;
        return 0.0f;
    }
    if (eastAsian(a) != eastAsian(b) && (a != AsciiLatin && b != AsciiLatin) && a != OtherLetter && b != OtherLetter && a != Latin && b != Latin)
        return 2.0f;
    if ((eastAsian(a) && b == Latin) || (eastAsian(b) && a == Latin))
        return 1.0f;
    return 0.0f;
}

} // namespace

double KTNamePlausibility::score(QStringView text, Language language)
{
    double total = 0.0;
    // The current word, a run of letters.
    KTCharacterClass prev;
    char16_t prevChar = 0;
    int wordLength = 0;
    char16_t wordFirst = 0;
    int greekAccents = 0;
    int wordVowels = 0;
    bool wordHasLower = false;
    Script wordScript = NoLetter;
    int accentRun = 0;    // accented Latin letters in a row
    int consonantRun = 0; // Cyrillic consonants in a row
    int vowelRun = 0;     // Cyrillic vowels in a row

    const auto endWord = [&] {
        // Monotonic Greek puts at most one tonos on a word.
        if (greekAccents > 1)
            total -= 1.5 * (greekAccents - 1);
        // A lone accented letter is a word only in a few languages ("à", "è", "å").
        if (wordLength == 1 && wordFirst >= 0xC0 && wordFirst < 0x250)
            total += std::u16string_view(u"àèéóòùåöäøÀÈÉÅÖ").find(wordFirst) != std::u16string_view::npos ? 0.5 : -1.0;
        // Greek and Cyrillic words have vowels; capitals alone may be an abbreviation.
        if (wordLength >= 2 && wordVowels == 0 && wordHasLower && (wordScript == Greek || wordScript == Cyrillic))
            total -= 1.0 * wordLength;
        greekAccents = 0;
        wordLength = 0;
        wordVowels = 0;
        wordHasLower = false;
        accentRun = 0;
        consonantRun = 0;
        vowelRun = 0;
    };

    // Accented Latin letters, and how many of them each language has.
    int latinLetters = 0;
    std::array<int, KTCharacterClass::LatinLanguageCount> inLanguage{};

    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const KTCharacterClass cur = KTCharacterClass::of(c, language);
        const bool nonAscii = c >= 0x80;
        if (nonAscii || cur.score < 0) // ASCII earns nothing, but control characters cost
            total += cur.score;
        if (cur.languages) {
            ++latinLetters;
            for (size_t l = 0; l < KTCharacterClass::LatinLanguageCount; ++l)
                inLanguage[l] += (cur.languages >> l) & 1;
        }

        // Marks that belong on a letter of their script, final forms that
        // end a word: wrong code pages break these rules at once.
        const char16_t next = i + 1 < text.size() ? text[i + 1].unicode() : 0;
        if ((KTCharacterClass::isHebrewPoint(c) && prev.script != Hebrew) || (KTCharacterClass::isArabicMark(c) && prev.script != Arabic))
            total -= 2.0;
        if (cur.script == Hebrew && next >= 0x5D0 && next <= 0x5EA && std::u16string_view(u"ךםןףץ").find(c) != std::u16string_view::npos)
            total -= 1.5;
        if (cur.script == Hebrew && !(next >= 0x5B0 && next <= 0x5EA) && std::u16string_view(u"כמנפצ").find(c) != std::u16string_view::npos
            && prev.script == Hebrew)
            total -= 0.7;
        if (KTCharacterClass::isThaiCombining(c) && !KTCharacterClass::isThaiConsonant(prevChar) && !KTCharacterClass::isThaiCombining(prevChar))
            total -= 2.0;
        if (KTCharacterClass::isThaiLeadingVowel(c) && !KTCharacterClass::isThaiConsonant(next))
            total -= 2.0;

        // An East Asian character wedged inside a Latin word: a double-byte
        // page has swallowed an ASCII letter as its trail byte.
        if (nonAscii && c >= 0x2E80 && i > 0 && i + 1 < text.size()) {
            const char16_t before = text[i - 1].unicode();
            const char16_t after = text[i + 1].unicode();
            const auto asciiLetter = [](char16_t x) { return (x >= 'a' && x <= 'z') || (x >= 'A' && x <= 'Z'); };
            if (asciiLetter(before) && after >= 'a' && after <= 'z')
                total -= 3.0;
        }

        if (cur.script == NoLetter) {
            if (prevChar == u'σ')
                total -= 1.0; // medial sigma at the end of a word
            if (prev.script != NoLetter)
                endWord();
            prev = cur;
            prevChar = c;
            continue;
        }

        if (prev.script != NoLetter) {
            const bool involvesNonAscii = nonAscii || prevChar >= 0x80;
            if (involvesNonAscii) {
                total -= scriptChangePenalty(prev.script, cur.script);
                if (alphabetic(prev.script) && alphabetic(cur.script) && prev.lower && cur.upper)
                    total -= 2.5; // "пРИВЕТ", "MÄrz"
            }
            if (prevChar == u'ς')
                total -= 2.0; // final sigma inside a word
        }
        if (wordLength++ == 0) {
            wordFirst = c;
            wordScript = cur.script;
        }
        wordHasLower = wordHasLower || cur.lower;
        const char16_t lower = QChar::toLower(c);
        if (std::u16string_view(u"аеёиоуыэюяіїєўαεηιουωάέήίόύώϊϋΐΰ").find(lower) != std::u16string_view::npos)
            ++wordVowels;
        // Latin words are mostly plain letters: three accented ones in a row
        // come from a page of another script ("Žâçñâ" for "Отчёт").
        accentRun = cur.script == Latin ? accentRun + 1 : 0;
        if (accentRun >= 3)
            total -= 1.5;
        if (cur.script == Greek && prev.script == Greek && !KTCharacterClass::greekPairAllowed(QChar::toLower(prevChar), lower))
            total -= 1.5;
        const bool cyrillicConsonant = cur.script == Cyrillic && std::u16string_view(u"бвгджзйклмнпрстфхцчшщ").find(lower) != std::u16string_view::npos;
        consonantRun = cyrillicConsonant ? consonantRun + 1 : 0;
        const bool cyrillicVowel = cur.script == Cyrillic && !cyrillicConsonant && std::u16string_view(u"ьъ").find(lower) == std::u16string_view::npos;
        vowelRun = cyrillicVowel ? vowelRun + 1 : 0;
        if (vowelRun >= 3)
            total -= 1.5; // "ейюуе"
        if (consonantRun >= 4)
            total -= 1.5; // "взсв"; Russian allows four only in "вств"
        if (cur.script == Greek && KTCharacterClass::isGreekAccented(c))
            ++greekAccents;
        prev = cur;
        prevChar = c;
    }
    if (prevChar == u'σ')
        total -= 1.0;
    endWord();
    total -= 1.2 * (latinLetters - *std::max_element(inLanguage.begin(), inLanguage.end()));
    return total;
}
