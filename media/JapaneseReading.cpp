// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/JapaneseReading.h"

#include "support/Kana.h"

#include <mecab.h>

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include <cstdlib>
#include <mutex>

namespace mokuri {

namespace {

std::mutex g_mecabMutex;
mecab_t* g_mecab = nullptr;
QString g_mecabError;
bool g_mecabTried = false;

bool isUtf8Dictionary(mecab_t* m)
{
    const mecab_dictionary_info_t* info = mecab_dictionary_info(m);
    if (!info || !info->charset)
        return false;
    const QByteArray cs = QByteArray(info->charset).toLower();
    return cs == "utf8" || cs == "utf-8";
}

// Must hold g_mecabMutex.
mecab_t* Tagger(QString* error)
{
    if (g_mecabTried) {
        if (!g_mecab)
            *error = g_mecabError;
        return g_mecab;
    }
    g_mecabTried = true;
    QStringList dirs;
    const char* env = std::getenv("MOKURI_MECAB_DICDIR");
    const bool forced = env && *env; // only this folder then
    if (forced)
        dirs << QString::fromLocal8Bit(env);
    else
        dirs << QStringLiteral("/var/lib/mecab/dic/ipadic-utf8")
         << QStringLiteral("/usr/lib/x86_64-linux-gnu/mecab/dic/ipadic-utf8")
         << QStringLiteral("/usr/lib/aarch64-linux-gnu/mecab/dic/ipadic-utf8")
         << QStringLiteral("/usr/lib/mecab/dic/ipadic-utf8")
         << QStringLiteral("/usr/lib64/mecab/dic/ipadic-utf8")
         << QStringLiteral("/usr/local/lib/mecab/dic/ipadic-utf8")
         << QStringLiteral("/usr/lib/mecab/dic/ipadic")
         << QStringLiteral("/usr/lib64/mecab/dic/ipadic")
         << QStringLiteral("/usr/local/lib/mecab/dic/ipadic");
    QString lastError;
    for (const QString& dir : dirs) {
        if (!QFileInfo::exists(dir + QLatin1String("/sys.dic")))
            continue;
        QByteArray dirArg = QFile::encodeName(dir);
        char program[] = "mecab";
        char option[] = "-d";
        char* argv[] = {program, option, dirArg.data(), nullptr};
        mecab_t* m = mecab_new(3, argv);
        if (!m) {
            lastError = QString::fromLocal8Bit(mecab_strerror(nullptr));
            continue;
        }
        if (isUtf8Dictionary(m)) {
            g_mecab = m;
            return m;
        }
        mecab_destroy(m);
    }
    // MeCab's own default (mecabrc).
    if (forced) {
        if (lastError.isEmpty())
            lastError = QStringLiteral("no sys.dic in ") + dirs.first();
    } else if (mecab_t* m = mecab_new2("")) {
        if (isUtf8Dictionary(m)) {
            g_mecab = m;
            return m;
        }
        mecab_destroy(m);
        lastError = QStringLiteral("the default dictionary is not UTF-8");
    } else if (lastError.isEmpty()) {
        lastError = QString::fromLocal8Bit(mecab_strerror(nullptr));
    }
    g_mecabError = QStringLiteral("MeCab ipadic-utf8 dictionary not found or not loadable")
                   + (lastError.isEmpty() ? QString() : QStringLiteral(": ") + lastError.simplified());
    *error = g_mecabError;
    return nullptr;
}

const QHash<QChar, QString>& letterNames()
{
    static const QHash<QChar, QString> names = [] {
        QHash<QChar, QString> h;
        const char16_t* digitNames[] = {u"ゼロ", u"イチ", u"ニ", u"サン", u"ヨン",
                                        u"ゴ", u"ロク", u"ナナ", u"ハチ", u"キュウ"};
        for (int d = 0; d < 10; ++d) {
            h.insert(QChar(char16_t(0xFF10 + d)), QString::fromUtf16(digitNames[d]));
            h.insert(QChar(char16_t('0' + d)), QString::fromUtf16(digitNames[d]));
        }
        h.insert(QChar(u'゛'), QStringLiteral("ダクテン"));
        h.insert(QChar(u'゜'), QStringLiteral("ハンダクテン"));
        h.insert(QChar(u'\u3099'), QStringLiteral("ダクテン"));
        h.insert(QChar(u'\u309A'), QStringLiteral("ハンダクテン"));
        h.insert(QChar(u'ー'), QStringLiteral("ノバシボウ"));
        // Small kana are read as their full-size letter.
        const char16_t* small = u"ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶㇰㇱㇲㇳㇴㇵㇶㇷㇸㇹㇺㇻㇼㇽㇾㇿ";
        const char16_t* large = u"アイウエオツヤユヨワカケアイウエオツヤユヨワカケクシストヌハヒフヘホムラリルレロ";
        for (int i = 0; small[i]; ++i)
            h.insert(QChar(small[i]), QString(QChar(large[i])));
        return h;
    }();
    return names;
}

bool isKana(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x3041 && u <= 0x3096) || (u >= 0x30A1 && u <= 0x30FA);
}

} // namespace

QString hiraganaToKatakana(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u >= 0x3041 && u <= 0x3096)
            c = QChar(char16_t(u + kKatakanaOffset));
    }
    return out;
}

JapaneseReading japanesePronunciation(const QString& text)
{
    JapaneseReading result;
    if (text.size() == 1) {
        const QChar c = text.at(0);
        const auto& names = letterNames();
        if (auto it = names.constFind(c); it != names.constEnd()) {
            result.katakana = it.value();
            return result;
        }
        if (isKana(c)) {
            result.katakana = hiraganaToKatakana(text);
            return result;
        }
    }
    if (text.trimmed().isEmpty())
        return result;

    const QByteArray utf8 = text.toUtf8();
    std::lock_guard<std::mutex> lock(g_mecabMutex);
    mecab_t* m = Tagger(&result.error);
    if (!m)
        return result;
    const mecab_node_t* node = mecab_sparse_tonode2(m, utf8.constData(), size_t(utf8.size()));
    if (!node) {
        result.error = QStringLiteral("MeCab could not parse the text: ") + QString::fromUtf8(mecab_strerror(m));
        return result;
    }
    QString out;
    for (; node; node = node->next) {
        if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE)
            continue;
        const QString surface = QString::fromUtf8(node->surface, int(node->length));
        if (node->rlength > node->length && !out.isEmpty() && !out.endsWith(u' '))
            out += u' '; // white space before the word stays a word break
        const QStringList fields = QString::fromUtf8(node->feature).split(u',');
        QString word;
        if (fields.size() > 8 && fields.at(8) != QLatin1String("*") && !fields.at(8).isEmpty())
            word = fields.at(8);
        else if (fields.size() > 7 && fields.at(7) != QLatin1String("*") && !fields.at(7).isEmpty())
            word = fields.at(7);
        else
            word = hiraganaToKatakana(surface);
        out += word;
    }
    result.katakana = out;
    return result;
}

} // namespace mokuri
