#include "extraction/names/KTCharacterClass.h"

#include <QChar>

#include <array>
#include <bitset>
#include <string_view>

namespace {

using Language = KTNamePlausibility::Language;
using enum KTCharacterClass::Script;

// Common characters, including the words people put in file and folder
// names. A wrong CJK code page turns text into characters spread evenly over
// its whole repertoire, which rarely hit these lists.
constexpr char16_t kSimplified[] =
    u"的一是不了人我在有他这中大来上个国到说们为子和你地出道也时年得就那要下以生会自着去之过家学对可她里后小么心多天而能好都然没日于起还发成"
    u"事只作当想看文无开手十用主行方又如前所本见经头面公同三已老从动两长知民样现分将外但身些与高意进把法此实回二理美点月明其种声全工己话儿者"
    u"向情部正名定女问力机给等几很业最间新什打便位因重被走电四第门相次东政海口使教西再平真听世气信北少关并内加化由却代军产入先山五太水万市眼"
    u"体别处总才场师书比住员九笑性通目华报立马命张活难神数件安表原车白应路期叫死常提感金何更反合放做系计或司利受光王果亲界及今京务制解各任至"
    u"清物台象记边共风战干接它许八特觉望直服林题建南度统色字请交爱让认算论百吃义科怎元社术结六功指思非流每青管夫连远资队跟带花快条院变联言权"
    u"往展该领传近留红治决周保达办运武半候七必城父强步完革深区即求品士转量空众技轻程告江语英基派满式李息写识极令黄德收钱未持取设始版双历越史"
    u"商千片容研像找友孩站广改议形委早房音火际则首单据导影失拿网香似专石若弟谁校读志飞观争究包组造落视济喜离虽兴切类奇照准举图料频档夹格项"
    u"案终修课乐歌曲册旅游备份载桌附简历申请票财预培训考试卷答材讲义笔记手模板素源码软装序测客户销售采购价清录章节旧副复制稿定纸扫描毕业论"
    u"述绪纪要租房屋伟娜杰伦晴扩展驱动程游戏存演红楼梦电子驶歌词单词英汇总统计划销售利润季度周月";

constexpr char16_t kTraditional[] =
    u"的一是不了人我在有他這中大來上個國到說們為子和你地出道也時年得就那要下以生會自著去之過家學對可她裡後小麼心多天而能好都然沒日於起還發成"
    u"事只作當想看文無開手十用主行方又如前所本見經頭面公同三已老從動兩長知民樣現分將外但身些與高意進把法此實回二理美點月明其種聲全工己話兒者"
    u"向情部正名定女問力機給等幾很業最間新什打便位因重被走電四第門相次東政海口使教西再平真聽世氣信北少關並內加化由卻代軍產入先山五太水萬市眼"
    u"體別處總才場師書比住員九笑性通目華報立馬命張活難神數件安表原車白應路期叫死常提感金何更反合放做系計或司利受光王果親界及今京務制解各任至"
    u"清物台臺象記邊共風戰接它許八特覺望直服林題建南度統色字請交愛讓認算論百吃義科怎元社術結六功指思非流每青管夫連遠資隊跟帶花快條院變聯言權"
    u"往展該領傳近留紅治決周保達辦運武半候七必城父強步完革深區即求品士轉量空眾技輕程告江語英基派滿式李息寫識極令黃德收錢未持取設始版雙歷越史"
    u"商千片容研像找友孩站廣改議形委早房音火際則首單據導影失拿網香似專石若弟誰校讀志飛觀爭究包組造落視濟喜離雖興切類奇照準舉圖料檔夾格項案終"
    u"修課樂歌曲冊旅遊備份載桌附簡履歷申請票財預培訓考試卷答材講義筆記手冊範本素源碼軟體裝程式測客戶銷售採購價清錄章節舊副複製稿定紙掃描畢業"
    u"論導記錄租屋契約增夾灣港驅遊戲存演樓夢電子單字彙總統計劃利潤季度週月";

constexpr char16_t kJapanese[] =
    u"日一国会人年大十二本中長出三同時政事自行社見月分議後前民生連五発間対上部東者党地合市業内相方四定今回新場金員九入選立開手米力学問高代明実"
    u"円関決子動京全目表戦経通外最言氏現理調体化田当八六約主題下首意法不来作性的要用制治度務強気小七成期公持野協取都和統以機平総加山思家話世受"
    u"区領多県続進正安設保改数記院女初北午指権心界支第産結百派点教報済書府活原先共得解名交資予川向際査勝面委告軍文反元重近千考判認画海参売利組"
    u"知案道信策集在件団別物側任引使求所次水半品写真旅行料像楽類企提積請求納契様説順修了確送付添存営研講験答課宿題撮影集家族正月運動会桜駅周辺"
    u"地図太郎花子鈴木佐藤田中山本渡辺伊藤高橋小林加藤吉村株式版歌音声曲映録帳簿議事録覧単価売上覧表仕様歴履職務経歴書新規無題名称説明";

constexpr char16_t kHangul[] =
    u"이다는의에하고가서자지기한로을를리사어일나도수대아인정시해보게으과스전있들국부상제주라적것장개만원문그동관성생경여계화공구우소내면연방결"
    u"학마실중신후비위안등세할조년데물회분발간무미명식당저드트치영업및행반말차선오거요습니된민법표파음단체진본크프레르던님께했었였용월견적"
    u"서사진행문보고의록최종수정파폴더미지영상악양식약제안표교과숙험답력소개신청육강의리목백업운로바탕새결과석데이터설계테스울산족친구졸식생휴"
    u"캠핑홍길똠방각아유좋날기록사본동메모호한글노래랑게임세브치법시간표학교자료";


// The accented letters of the languages written in Latin script, one set
// each. A wrong code page turns one language's letters into a mix that no
// single language uses (Lithuanian "ėųž" read as windows-1252 gives "ëøþ").
constexpr std::u16string_view kLatinLanguages[] = {
    u"äöüß",                 // German
    u"àâæçéèêëîïôœùûüÿ",     // French
    u"áéíñóúüàèòçï",         // Spanish, Catalan
    u"áâãàçéêíóôõú",         // Portuguese
    u"àèéìíòóùú",            // Italian
    u"åäöæøéü",              // Nordic
    u"áðéíóúýþæö",           // Icelandic
    u"ąćęłńóśźż",            // Polish
    u"áčďéěíňóřšťúůýžäĺľôŕ", // Czech, Slovak
    u"áéíóöőúüű",            // Hungarian
    u"ăâîșțşţ",              // Romanian
    u"čćđšž",                // Croatian, Slovene
    u"çğıöşüâî",             // Turkish
    u"ąčęėįšųūž",            // Lithuanian
    u"āčēģīķļņšūž",          // Latvian
    u"äõöüšžå",              // Estonian, Finnish
    u"ĉĝĥĵŝŭċġħżàèìòù",      // Esperanto, Maltese
    u"áéíóúâêîôûŵŷëï",       // Welsh, Irish
};
static_assert(std::size(kLatinLanguages) == KTCharacterClass::LatinLanguageCount);
// ș and ț lie beyond the table of accented letters; they are Romanian's.
constexpr size_t kRomanian = 10;
static_assert(kLatinLanguages[kRomanian].find(u'ș') != std::u16string_view::npos);

struct Tables {
    std::array<float, 0x180 - 0xC0> latin{};   // U+00C0..U+017F
    std::array<uint32_t, 0x180 - 0xC0> latinLanguages{};
    std::array<float, 0x60> cyrillic{};        // U+0400..U+045F
    std::array<float, 0x90> greek{};           // U+0370..U+03FF
    std::array<float, 0x80> hebrew{};          // U+0580..U+05FF
    std::array<float, 0x100> arabic{};         // U+0600..U+06FF
    std::bitset<0x10000> simplified, traditional, japanese, hangul;
};

template<size_t N>
void mark(std::bitset<0x10000> &set, const char16_t (&chars)[N])
{
    for (size_t i = 0; i + 1 < N; ++i)
        set.set(chars[i]);
}

void weigh(float *table, char16_t base, std::u16string_view chars, float weight)
{
    for (char16_t c : chars)
        table[c - base] = weight;
}

Tables buildTables()
{
    Tables t;
    // Latin: accented letters of the Western languages score highest; the
    // Central European ones nearly as high; the rest exist but are rare.
    t.latin.fill(0.1f);
    t.latin[0xD7 - 0xC0] = -2.0f; // ×
    t.latin[0xF7 - 0xC0] = -2.0f; // ÷
    weigh(t.latin.data(), 0xC0, u"éèêàçôùüöäßñáíóúãåøæëœÉÈÜÖÄÇÁÍÓÚÑÅØÆÀÊÔÃŒ", 1.0f);
    // Rarer in Western words than the Baltic and Hungarian letters that the
    // same bytes stand for in their pages (ā ī ū ļ ő in "Piezīmes", "műsor").
    weigh(t.latin.data(), 0xC0, u"õÕ", 0.8f);
    weigh(t.latin.data(), 0xC0, u"âîûïÂÎÛ", 0.6f);
    weigh(t.latin.data(), 0xC0, u"ÿËÏÎÛÙÌÒìòýÝ", 0.6f);
    weigh(t.latin.data(), 0xC0, u"čšžřěůłąęśćńźżőűňťďľČŠŽŘŁŚŻĚŮŹĆŃĄĘŐŰŇŤĎĽ", 0.95f);
    weigh(t.latin.data(), 0xC0, u"őűŐŰ", 1.1f); // Hungarian only, unlike the õ û of the same bytes in Latin 1
    weigh(t.latin.data(), 0xC0, u"ăĂ", 0.4f);
    weigh(t.latin.data(), 0xC0, u"şğıİŞĞ", 0.9f);
    weigh(t.latin.data(), 0xC0, u"ėąįųūēīāļņķģĖĄĮŲŪĒĪĀĻŅĶĢ", 0.95f);
    // Icelandic letters are rare in archives; the same bytes are Turkish
    // letters in windows-1254 and Baltic ones in windows-1257.
    weigh(t.latin.data(), 0xC0, u"þðÐÞ", 0.1f);
    weigh(t.latin.data(), 0xC0, u"ŕŔĺĹ", -0.3f); // Slovak only, and rare there; French à in CP1250


    // Cyrillic: Russian letters by frequency, then the other languages'
    // letters, which a wrong Cyrillic page also produces.
    constexpr std::u16string_view russian = u"оеаинтсрвлкмдпуяыьгзбчйхжшюцщэфъё";
    for (size_t i = 0; i < russian.size(); ++i) {
        const float w = 1.2f - 0.022f * float(i);
        const char16_t lower = russian[i];
        const char16_t upper = lower == u'ё' ? u'Ё' : char16_t(lower - 0x20);
        t.cyrillic[lower - 0x400] = w;
        t.cyrillic[upper - 0x400] = w;
    }
    weigh(t.cyrillic.data(), 0x400, u"іїєґІЇЄҐ", 0.7f);
    weigh(t.cyrillic.data(), 0x400, u"ўЎ", 0.5f);
    weigh(t.cyrillic.data(), 0x400, u"јљњћђџЈЉЊЋЂЏ", 0.2f);

    // Greek: letters by frequency; a tonos does not change a vowel's weight.
    t.greek.fill(-0.5f);
    constexpr std::u16string_view greek = u"αοιετσνηυρπκμλωδγχθφβξζψ";
    constexpr std::u16string_view vowels = u"αεηιουω";
    constexpr std::u16string_view accented = u"άέήίόύώ";
    constexpr std::u16string_view accentedUpper = u"ΆΈΉΊΌΎΏ";
    for (size_t i = 0; i < greek.size(); ++i) {
        const float w = 1.2f - 0.025f * float(i);
        const char16_t lower = greek[i];
        t.greek[lower - 0x370] = w;
        t.greek[lower - 0x20 - 0x370] = w;
        if (lower == u'σ')
            t.greek[u'ς' - 0x370] = w;
        const size_t v = vowels.find(lower);
        if (v != std::u16string_view::npos) {
            t.greek[accented[v] - 0x370] = w;
            t.greek[accentedUpper[v] - 0x370] = w;
        }
    }
    weigh(t.greek.data(), 0x370, u"ϊϋ", 0.4f);
    weigh(t.greek.data(), 0x370, u"ΐΰΪΫ", 0.2f);

    for (size_t l = 0; l < KTCharacterClass::LatinLanguageCount; ++l) {
        for (char16_t lower : kLatinLanguages[l]) {
            if (lower < 0xC0 || lower >= 0x180)
                continue;
            t.latinLanguages[lower - 0xC0] |= 1u << l;
            const char16_t upper = lower == u'ı' ? u'İ' : QChar::toUpper(lower);
            if (upper >= 0xC0 && upper < 0x180)
                t.latinLanguages[upper - 0xC0] |= 1u << l;
        }
    }

    // Hebrew and Arabic letters by frequency in names; final forms and
    // vowel points are checked in context by score().
    constexpr std::u16string_view hebrew = u"יוהלמארתבשנדכעקפחסגטזצםןךףץ";
    for (size_t i = 0; i < hebrew.size(); ++i)
        t.hebrew[hebrew[i] - 0x580] = 1.2f - 0.02f * float(i);
    for (char16_t c = 0x5B0; c <= 0x5C7; ++c)
        t.hebrew[c - 0x580] = -0.3f;
    weigh(t.hebrew.data(), 0x580, u"\u05F0\u05F1\u05F2\u05F3\u05F4", 0.3f);
    constexpr std::u16string_view arabic = u"اليمونرتبهعدسفكقحجشطصىخةزثضغأإذآءظئؤ";
    for (size_t i = 0; i < arabic.size(); ++i)
        t.arabic[arabic[i] - 0x600] = 1.2f - 0.015f * float(i);
    weigh(t.arabic.data(), 0x600, u"پچژگکی", 0.9f);
    weigh(t.arabic.data(), 0x600, u"\u060C\u061B\u061F", 0.3f);
    for (char16_t c = 0x64B; c <= 0x652; ++c)
        t.arabic[c - 0x600] = -0.2f;
    for (char16_t c = 0x660; c <= 0x669; ++c)
        t.arabic[c - 0x600] = 0.3f;
    t.arabic[0x640 - 0x600] = -0.5f; // tatweel

    mark(t.simplified, kSimplified);
    mark(t.traditional, kTraditional);
    mark(t.japanese, kJapanese);
    mark(t.hangul, kHangul);
    return t;
}

const Tables &tables()
{
    static const Tables t = buildTables();
    return t;
}

KTCharacterClass casedLetter(char16_t c, KTCharacterClass::Script script, float score, uint32_t languages = 0)
{
    return {score, script, QChar::isUpper(c), QChar::isLower(c), languages};
}

} // namespace

bool KTCharacterClass::isGreekAccented(char16_t c)
{
    return (c >= 0x3AC && c <= 0x3AF) || c == 0x3CC || c == 0x3CD || c == 0x3CE || c == 0x386
        || (c >= 0x388 && c <= 0x38A) || c == 0x38C || c == 0x38E || c == 0x38F || c == 0x390 || c == 0x3B0;
}

namespace {

bool isGreekConsonant(char16_t c)
{
    return std::u16string_view(u"βγδζθκλμνξπρσςτφχψ").find(c) != std::u16string_view::npos;
}

} // namespace

// Only these pairs of Greek consonants occur side by side in words.
bool KTCharacterClass::greekPairAllowed(char16_t a, char16_t b)
{
    if (!isGreekConsonant(a) || !isGreekConsonant(b))
        return true;
    static constexpr std::u16string_view pairs[] = {
        u"στ", u"ντ", u"μπ", u"γκ", u"τρ", u"πρ", u"κρ", u"γρ", u"δρ", u"βρ", u"φρ", u"θρ", u"χρ", u"σκ", u"σπ",
        u"σμ", u"σθ", u"χν", u"κτ", u"πτ", u"φτ", u"χτ", u"μν", u"γν", u"κλ", u"πλ", u"γλ", u"βλ", u"φλ", u"χλ",
        u"θλ", u"ρθ", u"ρκ", u"ρμ", u"ρν", u"ρπ", u"ρτ", u"ρδ", u"ργ", u"ρφ", u"ρχ", u"ρσ", u"ρβ", u"ρζ", u"ρλ",
        u"λμ", u"λκ", u"λτ", u"λπ", u"λφ", u"λθ", u"λγ", u"λβ", u"λδ", u"νδ", u"νθ", u"νκ", u"νσ", u"νζ",
        u"νν", u"λλ", u"μμ", u"ππ", u"ττ", u"σσ", u"ρρ", u"κκ", u"γγ", u"γχ", u"γμ", u"σχ", u"σφ", u"σβ", u"σγ",
        u"θμ", u"κμ", u"τμ", u"χμ", u"δμ", u"ζμ", u"βδ", u"φθ", u"χθ", u"σλ", u"σν", u"τσ", u"τζ", u"πν", u"κν",
        u"θν", u"δν", u"γδ", u"μβ", u"μφ", u"νχ", u"γξ", u"μψ", u"ρξ", u"ρψ", u"κσ", u"πσ", u"ζβ",
        u"σδ", u"φχ", u"σζ",
    };
    const char16_t pair[2] = {a == u'ς' ? u'σ' : a, b == u'ς' ? u'σ' : b};
    const std::u16string_view wanted(pair, 2);
    return std::find(std::begin(pairs), std::end(pairs), wanted) != std::end(pairs);
}

bool KTCharacterClass::isHebrewPoint(char16_t c)
{
    return c >= 0x5B0 && c <= 0x5C7;
}

bool KTCharacterClass::isArabicMark(char16_t c)
{
    return c >= 0x64B && c <= 0x652;
}

bool KTCharacterClass::isThaiConsonant(char16_t c)
{
    return c >= 0xE01 && c <= 0xE2E;
}

// Vowel signs and tone marks written above or below the consonant before them.
bool KTCharacterClass::isThaiCombining(char16_t c)
{
    return c == 0xE31 || (c >= 0xE34 && c <= 0xE3A) || (c >= 0xE47 && c <= 0xE4E);
}

// Vowels written before the consonant they follow in speech.
bool KTCharacterClass::isThaiLeadingVowel(char16_t c)
{
    return c >= 0xE40 && c <= 0xE44;
}

KTCharacterClass KTCharacterClass::of(char16_t c, Language lang)
{
    const Tables &t = tables();
    const bool cjk = lang != Language::Alphabetic;
    KTCharacterClass r;
    if (c < 0x80) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            r.script = AsciiLatin;
            r.upper = c <= 'Z';
            r.lower = !r.upper;
        }
        if (c < 0x20 || c == 0x7F)
            r.score = -10.0f;
        return r;
    }
    if (c < 0xA0)
        return {-10.0f};
    if (c < 0xC0) {
        r.score = c == 0xA0 ? -1.5f : -2.0f;
        return r;
    }
    if (c < 0x180) {
        if (c == 0xD7 || c == 0xF7)
            return {t.latin[c - 0xC0]}; // × ÷
        return casedLetter(c, Latin, t.latin[c - 0xC0], t.latinLanguages[c - 0xC0]);
    }
    if (c < 0x250) {
        const bool romanian = c >= 0x218 && c <= 0x21B; // ș ț
        return casedLetter(c, Latin, c == 0x192 ? -0.5f : (romanian ? 0.5f : 0.1f), // ƒ
                           romanian ? 1u << kRomanian : 0);
    }
    if (c >= 0x370 && c < 0x400) {
        return casedLetter(c, Greek, t.greek[c - 0x370]);
    }
    if (c >= 0x400 && c < 0x460) {
        return casedLetter(c, Cyrillic, t.cyrillic[c - 0x400]);
    }
    if (c >= 0x580 && c < 0x600) {
        r.score = t.hebrew[c - 0x580];
        if (c >= 0x5D0 && c <= 0x5F2)
            r.script = Hebrew;
        else if (r.score == 0.0f)
            r.score = -1.0f;
        return r;
    }
    if (c >= 0x600 && c < 0x700) {
        r.score = t.arabic[c - 0x600];
        if (QChar::isLetter(c)) {
            r.script = Arabic;
            if (r.score == 0.0f)
                r.score = 0.2f;
        } else if (r.score == 0.0f) {
            r.score = -1.0f;
        }
        return r;
    }
    if (c >= 0xE00 && c < 0xE80) {
        if (isThaiConsonant(c) || isThaiCombining(c) || isThaiLeadingVowel(c) || c == 0xE30 || c == 0xE32 || c == 0xE33) {
            r.script = Thai;
            r.score = isThaiConsonant(c) ? 1.1f : 1.0f;
        } else if (c >= 0xE50 && c <= 0xE59) {
            r.score = 0.2f; // Thai digits
        } else if (c == 0xE45 || c == 0xE46 || c == 0xE2F) {
            r.script = Thai;
            r.score = 0.3f;
        } else {
            r.score = -1.0f;
        }
        return r;
    }
    if (c >= 0x4E00 && c <= 0x9FFF) {
        r.script = Han;
        switch (lang) {
        case Language::ChineseSimplified: r.score = t.simplified[c] ? 2.4f : 0.9f; break;
        case Language::ChineseTraditional: r.score = t.traditional[c] ? 2.4f : 0.9f; break;
        case Language::Japanese: r.score = t.japanese[c] ? 2.4f : 0.9f; break;
        case Language::Korean: r.score = 0.3f; break; // Hanja are rare in names
        case Language::Alphabetic: r.score = 0.0f; break;
        }
        return r;
    }
    if (c >= 0x3040 && c <= 0x30FF) {
        r.script = Kana;
        r.score = lang == Language::Japanese ? 2.2f : 0.3f;
        return r;
    }
    if (c >= 0xAC00 && c <= 0xD7A3) {
        r.script = Hangul;
        r.score = lang == Language::Korean ? (t.hangul[c] ? 2.4f : 1.0f) : 0.0f;
        return r;
    }
    if (c >= 0xFF61 && c <= 0xFF9F) {
        r.script = HalfKana;
        r.score = -0.3f;
        return r;
    }
    if (c >= 0x3400 && c <= 0x4DBF) {
        r.script = Han;
        return r;
    }
    if (c >= 0xF900 && c <= 0xFAFF) {
        r.script = Han;
        r.score = -0.5f;
        return r;
    }
    if ((c >= 0x3000 && c <= 0x303F) || (c >= 0xFF01 && c <= 0xFF60))
        return {cjk ? 1.5f : -2.0f};
    if (c >= 0xE000 && c <= 0xF8FF)
        return {-6.0f};
    if (c >= 0xFFFD)
        return {-10.0f};
    if (c >= 0xD800 && c <= 0xDFFF)
        return {-0.5f};
    if (c >= 0x2000 && c <= 0x206F) {
        // Dashes and quotes do occur in names; daggers and bullets do not.
        const bool common = (c >= 0x2013 && c <= 0x2014) || (c >= 0x2018 && c <= 0x2019) || (c >= 0x201C && c <= 0x201D)
            || c == 0x2026;
        return {common ? (cjk ? 0.5f : -1.0f) : -2.0f};
    }
    if (c == 0x20AC)
        return {-1.0f}; // €
    if (c == 0x2116)
        return {0.0f}; // №, common in Russian names
    if (c >= 0x2460 && c <= 0x24FF)
        return {cjk ? 0.5f : -3.0f}; // ① and friends
    if (c >= 0x25A0 && c <= 0x26FF)
        return {cjk ? -0.5f : -3.0f}; // ■ ★ ○
    if (c >= 0x2190 && c <= 0x259F)
        return {-3.0f}; // arrows, mathematics, box drawing, blocks
    if (c >= 0x2B0 && c <= 0x2FF)
        return {-2.0f}; // modifier letters and accents on their own: ˇ ˘ ˝
    if ((c >= 0x3100 && c <= 0x318F))
        return {-1.0f}; // bopomofo, loose Hangul jamo
    if (QChar::isLetter(c)) {
        r.script = OtherLetter;
        r.score = 0.2f;
        return r;
    }
    return {-1.0f};
}
