#include "ui/shell/plain_ini.h"

#include <QMap>
#include <QString>

#include <optional>

namespace plain_ini {
namespace {

bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}
char HexDigit(unsigned v) { return "0123456789ABCDEF"[v & 0xF]; }

struct Line {
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype equals = -1;  // first '=' outside quotes
};

// The next logical line from pos. Quotes may span line ends, a backslash
// takes the next character with it, an unquoted ';' starts a comment that
// runs to the end of the line. False at the end of the text.
bool NextLine(QByteArrayView t, qsizetype& pos, Line& line) {
    const qsizetype n = t.size();
    for (;;) {
        while (pos < n && IsBlank(t[pos])) ++pos;
        if (pos >= n) return false;
        if (t[pos] != ';') break;
        while (pos < n && !IsLineEnd(t[pos])) ++pos;
    }
    line = Line{pos, pos, -1};
    bool quoted = false;
    qsizetype i = pos;
    while (i < n) {
        const char c = t[i];
        if (c == '\\') {
            // CR LF and LF CR after a backslash continue the line as one.
            if (i + 2 < n && IsLineEnd(t[i + 1]) && IsLineEnd(t[i + 2]) && t[i + 1] != t[i + 2]) ++i;
            i = std::min(n, i + 2);
            continue;
        }
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted) {
            if (IsLineEnd(c) || c == ';') break;
            if (c == '=' && line.equals < 0) line.equals = i;
        }
        ++i;
    }
    line.end = i;
    while (i < n && !IsLineEnd(t[i])) ++i;  // a trailing comment
    pos = i;
    return true;
}

QByteArrayView Trimmed(QByteArrayView v) {
    qsizetype b = 0, e = v.size();
    while (b < e && IsBlank(v[b])) ++b;
    while (e > b && IsBlank(v[e - 1])) --e;
    return v.sliced(b, e - b);
}

// "%20" and "%U00C4" stand for characters, a backslash for a slash.
QString UnescapeKey(QByteArrayView raw) {
    const QString in = QString::fromUtf8(raw);
    QString out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size();) {
        const QChar c = in[i];
        if (c == u'\\') {
            out += u'/';
            ++i;
            continue;
        }
        if (c == u'%' && i + 1 < in.size()) {
            const bool wide = in[i + 1] == u'U';
            const qsizetype first = i + (wide ? 2 : 1);
            const qsizetype digits = wide ? 4 : 2;
            if (first + digits <= in.size()) {
                char16_t v = 0;
                bool ok = true;
                for (qsizetype k = first; k < first + digits && ok; ++k) {
                    const char16_t d = in[k].unicode();
                    ok = d < 0x80 && IsHex(static_cast<char>(d));
                    if (ok) v = static_cast<char16_t>(v * 16 + HexValue(static_cast<char>(d)));
                }
                if (ok) {
                    out += QChar(v);
                    i = first + digits;
                    continue;
                }
            }
        }
        out += c;
        ++i;
    }
    return out;
}

void EscapeKey(const QString& key, QByteArray& out) {
    for (const QChar qc : key) {
        const char16_t c = qc.unicode();
        if (c == u'/') {
            out += '\\';
        } else if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
                   c == u'-' || c == u'.') {
            out += static_cast<char>(c);
        } else if (c <= 0xFF) {
            out += '%';
            out += HexDigit(c >> 4);
            out += HexDigit(c);
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4) out += HexDigit(c >> shift);
        }
    }
}

// The value after '=': quotes, backslash escapes, blanks around an unquoted
// value dropped. Empty when it is not a plain text: a comma list, or a typed
// value ("@Variant(...)" and the like), which is never decoded.
std::optional<QString> UnescapeValue(QByteArrayView s) {
    QString out;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool inQuotes = false;
    bool quoted = false;
    qsizetype keep = 0;  // characters that trailing blanks are not cut from
    while (i < n) {
        const char c = s[i];
        if (c == '\\') {
            if (++i >= n) break;
            const char e = s[i++];
            switch (e) {
            case 'a':
                out += u'\a';
                break;
            case 'b':
                out += u'\b';
                break;
            case 'f':
                out += u'\f';
                break;
            case 'n':
                out += u'\n';
                break;
            case 'r':
                out += u'\r';
                break;
            case 't':
                out += u'\t';
                break;
            case 'v':
                out += u'\v';
                break;
            case '"':
            case '\'':
            case '?':
            case '\\':
                out += QLatin1Char(e);
                break;
            case 'x': {
                // As many digits as follow; a character keeps the low 16 bits.
                char16_t v = 0;
                bool any = false;
                for (; i < n && IsHex(s[i]); ++i, any = true) v = static_cast<char16_t>((v << 4) | HexValue(s[i]));
                if (any) out += QChar(v);
                break;
            }
            case '\n':
            case '\r':
                if (i < n && IsLineEnd(s[i]) && s[i] != e) ++i;
                break;
            default:
                if (e >= '0' && e <= '7') {
                    char16_t v = static_cast<char16_t>(e - '0');
                    for (; i < n && s[i] >= '0' && s[i] <= '7'; ++i) v = static_cast<char16_t>((v << 3) | (s[i] - '0'));
                    out += QChar(v);
                }
                break;
            }
            keep = out.size();
        } else if (c == '"') {
            inQuotes = !inQuotes;
            quoted = true;
            ++i;
            if (!inQuotes) keep = out.size();
        } else if (c == ',' && !inQuotes) {
            return std::nullopt;
        } else {
            qsizetype j = i;
            while (j < n && s[j] != '\\' && s[j] != '"' && (inQuotes || s[j] != ',')) ++j;
            out += QString::fromUtf8(s.sliced(i, j - i));
            i = j;
        }
    }
    if (!quoted) {
        qsizetype e = out.size();
        while (e > keep && (out[e - 1] == u' ' || out[e - 1] == u'\t')) --e;
        out.truncate(e);
    }
    if (out.startsWith(u'@')) {
        if (out.startsWith(QLatin1String("@@"))) return out.mid(1);
        // Qt's own format wraps a text with a NUL in it so; it holds nothing but the text.
        if (out.startsWith(QLatin1String("@String(")) && out.endsWith(u')')) return out.sliced(8, out.size() - 9);
        return std::nullopt;
    }
    return out;
}

void EscapeValue(const QString& text, QByteArray& out) {
    const qsizetype start = out.size();
    bool needsQuotes = false;
    bool hexFollows = false;  // a hex digit after "\xNN" would join the number
    qsizetype run = 0;        // start of the characters written as UTF-8
    auto flush = [&](qsizetype upTo) {
        if (upTo > run) out += QStringView(text).sliced(run, upTo - run).toUtf8();
        run = upTo + 1;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u';' || c == u',' || c == u'=') needsQuotes = true;
        if (hexFollows && c < 0x80 && IsHex(static_cast<char>(c))) {
            flush(i);
            out += "\\x" + QByteArray::number(c, 16);
            continue;
        }
        hexFollows = false;
        const char* escape = nullptr;
        switch (c) {
        case u'\0':
            escape = "\\0";
            hexFollows = true;
            break;
        case u'\a':
            escape = "\\a";
            break;
        case u'\b':
            escape = "\\b";
            break;
        case u'\f':
            escape = "\\f";
            break;
        case u'\n':
            escape = "\\n";
            break;
        case u'\r':
            escape = "\\r";
            break;
        case u'\t':
            escape = "\\t";
            break;
        case u'\v':
            escape = "\\v";
            break;
        case u'"':
            escape = "\\\"";
            break;
        case u'\\':
            escape = "\\\\";
            break;
        default:
            if (c <= 0x1F) {
                flush(i);
                out += "\\x" + QByteArray::number(c, 16);
                hexFollows = true;
            }
            break;
        }
        if (escape) {
            flush(i);
            out += escape;
        }
    }
    flush(text.size());
    if (needsQuotes || (out.size() > start && (out.at(start) == ' ' || out.back() == ' '))) {
        out.insert(start, '"');
        out += '"';
    }
}

// Only plain values are written: texts and numbers.
std::optional<QString> ValueText(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::QString: {
        const QString s = v.toString();
        return s.startsWith(u'@') ? QLatin1Char('@') + s : s;
    }
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        return v.toString();
    default:
        return std::nullopt;
    }
}

// The section a "[...]" line opens: empty for [General].
QString SectionName(QByteArrayView l) {
    const qsizetype close = l.indexOf(']');
    const QByteArrayView name = Trimmed(l.sliced(1, (close < 0 ? l.size() : close) - 1));
    if (name.compare("general", Qt::CaseInsensitive) == 0) return QString();
    return name.compare("%general", Qt::CaseInsensitive) == 0 ? QString::fromLatin1(name.sliced(1)) : UnescapeKey(name);
}

}  // namespace

QSettings::SettingsMap Parse(QByteArrayView text) {
    QSettings::SettingsMap map;
    if (text.startsWith("\xEF\xBB\xBF")) text = text.sliced(3);
    QString section;  // with its trailing slash; empty for [General]
    qsizetype pos = 0;
    Line line;
    while (NextLine(text, pos, line)) {
        const QByteArrayView l = text.sliced(line.begin, line.end - line.begin);
        if (l.startsWith('[')) {
            section = SectionName(l);
            if (!section.isEmpty()) section += u'/';
            continue;
        }
        if (line.equals < 0) continue;
        const QString key = UnescapeKey(Trimmed(text.sliced(line.begin, line.equals - line.begin)));
        if (key.isEmpty()) continue;
        const std::optional<QString> value = UnescapeValue(text.sliced(line.equals + 1, line.end - line.equals - 1));
        if (value) map.insert(section + key, *value);
    }
    return map;
}

std::optional<QByteArray> SetEntry(QByteArrayView text, const QString& section, const QString& key,
                                   const QVariant& value) {
    const std::optional<QString> valueText = ValueText(value);
    if (!valueText) return std::nullopt;
    QByteArray entry;
    EscapeKey(key, entry);
    entry += '=';
    EscapeValue(*valueText, entry);

    const qsizetype first = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    bool inSection = section.isEmpty();             // [General] holds what comes before any header
    qsizetype sectionEnd = inSection ? first : -1;  // after the section's last line
    qsizetype replaceBegin = -1, replaceEnd = -1;   // the key's last line in the section
    qsizetype pos = first;
    Line line;
    while (NextLine(text, pos, line)) {
        const QByteArrayView l = text.sliced(line.begin, line.end - line.begin);
        if (l.startsWith('[')) {
            inSection = SectionName(l) == section;
            if (inSection) sectionEnd = pos;
            continue;
        }
        if (!inSection) continue;
        sectionEnd = pos;
        if (line.equals >= 0 && UnescapeKey(Trimmed(text.sliced(line.begin, line.equals - line.begin))) == key) {
            replaceBegin = line.begin;
            replaceEnd = line.end;
            // Blanks before a trailing comment stay with the comment.
            while (replaceEnd > line.equals + 1 && (text[replaceEnd - 1] == ' ' || text[replaceEnd - 1] == '\t'))
                --replaceEnd;
        }
    }
    QByteArray out;
    if (replaceBegin >= 0) {
        // Only the entry's own bytes change; a comment after it stays.
        out = text.first(replaceBegin).toByteArray() + entry + text.sliced(replaceEnd).toByteArray();
    } else if (sectionEnd >= 0) {
        const bool crlf = sectionEnd < text.size() && text[sectionEnd] == '\r';
        const QByteArray lineEnd = crlf ? "\r\n" : "\n";
        if (sectionEnd == first && section.isEmpty()) {
            out = text.first(first).toByteArray() + entry + lineEnd + text.sliced(first).toByteArray();
        } else {
            out = text.first(sectionEnd).toByteArray() + lineEnd + entry + text.sliced(sectionEnd).toByteArray();
        }
    } else {
        out = text.toByteArray();
        if (!out.isEmpty() && !IsLineEnd(out.back())) out += '\n';
        if (!out.isEmpty()) out += '\n';
        out += '[';
        if (section.compare(QLatin1String("general"), Qt::CaseInsensitive) == 0) {
            out += '%' + section.toUtf8();
        } else {
            EscapeKey(section, out);
        }
        out += "]\n" + entry + '\n';
    }
    // What the reader cannot take apart (an open quote running to the end,
    // say) would swallow the entry: then the text is left as it is.
    const QString fullKey = section.isEmpty() ? key : section + u'/' + key;
    if (Parse(out).value(fullKey).toString() != value.toString()) return std::nullopt;
    return out;
}

}  // namespace plain_ini
