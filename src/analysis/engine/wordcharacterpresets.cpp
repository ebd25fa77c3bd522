#include "analysis/engine/wordcharacterpresets.h"

namespace {

// Written as escapes so that the code points survive any editor or encoding.
const char16_t UpperLatin[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const char16_t LowerLatin[] = u"abcdefghijklmnopqrstuvwxyz";
const char16_t Digits[] = u"0123456789";
const char16_t Apostrophe[] = u"'";

const char16_t FrenchLetters[] = u"\u00C0\u00E0\u00C2\u00E2\u00C6\u00E6\u00C7\u00E7"
                                 u"\u00C9\u00E9\u00C8\u00E8\u00CA\u00EA\u00CB\u00EB"
                                 u"\u00CE\u00EE\u00CF\u00EF\u00D4\u00F4\u0152\u0153"
                                 u"\u00D9\u00F9\u00DB\u00FB\u00DC\u00FC\u0178\u00FF";

const char16_t TurkishLetters[] = u"\u00C7\u00E7\u011F\u011E\u0131\u0130"
                                  u"\u00F6\u00D6\u015F\u015E\u00FC\u00DC";

// Hard sign, yeru and soft sign appear in lower case only.
const char16_t RussianLetters[] = u"\u0410\u0430\u0411\u0431\u0412\u0432\u0413\u0433"
                                  u"\u0414\u0434\u0415\u0435\u0401\u0451\u0416\u0436"
                                  u"\u0417\u0437\u0418\u0438\u0419\u0439\u041A\u043A"
                                  u"\u041B\u043B\u041C\u043C\u041D\u043D\u041E\u043E"
                                  u"\u041F\u043F\u0420\u0440\u0421\u0441\u0422\u0442"
                                  u"\u0423\u0443\u0424\u0444\u0425\u0445\u0426\u0446"
                                  u"\u0427\u0447\u0428\u0448\u0429\u0449\u044A\u044B"
                                  u"\u044C\u042D\u044D\u042E\u044E\u042F\u044F";

// Alef to tav with the final forms, in code point order.
const char16_t HebrewLetters[] = u"\u05D0\u05D1\u05D2\u05D3\u05D4\u05D5\u05D6\u05D7"
                                 u"\u05D8\u05D9\u05DA\u05DB\u05DC\u05DD\u05DE\u05DF"
                                 u"\u05E0\u05E1\u05E2\u05E3\u05E4\u05E5\u05E6\u05E7"
                                 u"\u05E8\u05E9\u05EA";

QString text(const char16_t* s) {
    return QString::fromUtf16(s);
}

} // namespace

QStringList WordCharacterPresets::lines(Preset preset) {
    switch (preset) {
    case English:
        return {text(UpperLatin), text(LowerLatin), text(Digits), text(Apostrophe)};
    case French:
        return {text(UpperLatin), text(LowerLatin), text(FrenchLetters), text(Digits),
                text(Apostrophe)};
    case Turkish:
        return {text(UpperLatin), text(LowerLatin), text(TurkishLetters), text(Digits),
                text(Apostrophe)};
    case Russian:
        return {text(RussianLetters), text(Digits)};
    case Hebrew:
        return {text(HebrewLetters), text(Digits)};
    }
    return {};
}

QString WordCharacterPresets::name(Preset preset) {
    switch (preset) {
    case English:
        return QStringLiteral("english");
    case French:
        return QStringLiteral("french");
    case Turkish:
        return QStringLiteral("turkish");
    case Russian:
        return QStringLiteral("russian");
    case Hebrew:
        return QStringLiteral("hebrew");
    }
    return {};
}

QList<WordCharacterPresets::Preset> WordCharacterPresets::all() {
    return {English, French, Turkish, Russian, Hebrew};
}

std::optional<WordCharacterPresets::Preset> WordCharacterPresets::fromName(const QString& name) {
    for (Preset preset : all()) {
        if (WordCharacterPresets::name(preset).compare(name, Qt::CaseInsensitive) == 0)
            return preset;
    }
    return std::nullopt;
}

QString WordCharacterPresets::wordCharacters(const QStringList& lines) {
    QString result;
    for (const QString& line : lines)
        result += line;
    return result;
}
