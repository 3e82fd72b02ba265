#pragma once

#include <QStringView>

// Scores how much a decoded entry name looks like text a person wrote, as
// opposed to the mojibake a wrong code page produces. Only non-ASCII
// characters earn or lose points, since ASCII decodes alike in every
// candidate; the caller divides by the number of non-ASCII bytes to compare
// candidates. Given the names of an archive as one text, it also weighs
// whether their accented letters belong to one language.
class KTNamePlausibility
{
public:
    // Which frequency lists apply to Han characters and kana/Hangul; the
    // same bytes mean common words in one CJK code page and rare characters
    // in another.
    enum class Language { Alphabetic, Japanese, ChineseSimplified, ChineseTraditional, Korean };

    static double score(QStringView text, Language language);
};
