// RTF: a small reader of our own. The text is what is left of the file once
// control words and the groups that are not text (font and colour tables,
// pictures, objects, field instructions, headers, "\*" destinations) are
// taken away; \'xx in the code page of the document or of its font, \uN.
// It keeps no tree: one pass, a stack of group states of bounded depth.
#include "codepage.h"
#include "reading.h"

#include <QHash>

#include <algorithm>
#include <cctype>

#include <vector>

namespace dokument {

namespace {

constexpr int kMaxDepth = 256;

// Destinations whose content is no part of the text.
const char* const kSkipped[] = {
    "fonttbl", "colortbl", "stylesheet", "info", "pict", "object", "header", "headerl", "headerr", "headerf",
    "footer", "footerl", "footerr", "footerf", "footnote", "annotation", "atnid", "atnauthor", "fldinst",
    "listtable", "listoverridetable", "revtbl", "rsidtbl", "generator", "xmlnstbl", "themedata",
    "colorschememapping", "datastore", "latentstyles", "filetbl", "pgdsctbl", "shp", "shpinst", "nonshppict",
    "bkmkstart", "bkmkend", "xe", "tc", "txe", "private", "userprops", "docvar", "template", "objdata",
    "blipuid", "wgrffmtfilter", "mmathPr", "listtext", "pntext", "pntxta", "pntxtb", "ftnsep", "ftnsepc",
    "aftnsep", "aftnsepc", "background",
};

bool Skipped(const QByteArray& word)
{
    for (const char* name : kSkipped) {
        if (word == name)
            return true;
    }
    return false;
}

// \fcharset of a font to its code page; 0: the document's own.
int CodePageOfCharset(int charset)
{
    switch (charset) {
    case 0:
        return 1252;
    case 238: // Eastern European
        return 1250;
    default:
        return 0;
    }
}

struct Group
{
    bool skip = false;
    bool fontTable = false;
    int uc = 1;    // bytes that stand for a \u character in readers without Unicode
    int font = -1; // \fN in force
};

class RtfReader
{
public:
    RtfReader(const QByteArray& input, const Limits& limits, TextOut& out)
        : in_(input), lines_(out, limits.textBytes)
    {
    }

    void Read()
    {
        if (!in_.startsWith("{\\rtf"))
            Fail(QStringLiteral("uszkodzony plik RTF"));
        std::vector<Group> stack;
        Group group;
        const qsizetype size = in_.size();
        qsizetype i = 0;
        while (i < size) {
            const char c = in_[i];
            if (c == '{') {
                if (stack.size() >= kMaxDepth)
                    Fail(QStringLiteral("uszkodzony plik RTF (zbyt głębokie zagnieżdżenie grup)"));
                stack.push_back(group);
                pendingSkip_ = 0;
                ++i;
            } else if (c == '}') {
                if (stack.empty())
                    break; // the end of the document; what follows is not ours
                group = stack.back();
                stack.pop_back();
                pendingSkip_ = 0;
                if (stack.empty())
                    break;
                ++i;
            } else if (c == '\\') {
                i = Control(i + 1, group);
            } else if (c == '\r' || c == '\n') {
                ++i;
            } else {
                Byte(group, static_cast<unsigned char>(c));
                ++i;
            }
        }
        lines_.End();
    }

private:
    int CodePage(const Group& group) const
    {
        const int font = group.font >= 0 ? group.font : defaultFont_;
        const int own = fontCodePage_.value(font, 0);
        return own ? own : ansiCodePage_;
    }

    void Emit(const Group& group, QChar c)
    {
        if (group.skip || group.fontTable)
            return;
        lines_.Add(c);
    }

    void Byte(const Group& group, unsigned char byte)
    {
        if (pendingSkip_ > 0) {
            --pendingSkip_;
            return;
        }
        Emit(group, FromCodePage(CodePage(group), byte));
    }

    void EndLine(const Group& group)
    {
        if (!group.skip && !group.fontTable)
            lines_.End();
    }

    // After a backslash at i: a control symbol or a control word with its
    // parameter. Returns where reading goes on.
    qsizetype Control(qsizetype i, Group& group)
    {
        const qsizetype size = in_.size();
        if (i >= size)
            return i;
        const char c = in_[i];
        if (!std::isalpha(static_cast<unsigned char>(c)))
            return Symbol(i, group);
        qsizetype at = i;
        while (at < size && at - i < 32 && std::isalpha(static_cast<unsigned char>(in_[at])))
            ++at;
        const QByteArray word = in_.mid(i, at - i);
        bool hasParameter = false;
        qint64 parameter = 0;
        bool negative = false;
        if (at < size && in_[at] == '-') {
            negative = true;
            ++at;
        }
        const qsizetype digits = at;
        while (at < size && at - digits < 10 && std::isdigit(static_cast<unsigned char>(in_[at]))) {
            parameter = parameter * 10 + (in_[at] - '0');
            ++at;
        }
        hasParameter = at > digits;
        if (negative)
            parameter = -parameter;
        if (at < size && in_[at] == ' ')
            ++at; // the delimiter belongs to the word
        return Word(word, hasParameter, parameter, at, group);
    }

    qsizetype Symbol(qsizetype i, Group& group)
    {
        const char c = in_[i];
        switch (c) {
        case '\'': {
            bool ok = false;
            const int byte = in_.mid(i + 1, 2).toInt(&ok, 16);
            if (ok)
                Byte(group, static_cast<unsigned char>(byte));
            return i + 3;
        }
        case '\\':
        case '{':
        case '}':
            Byte(group, static_cast<unsigned char>(c));
            break;
        case '~':
            Byte(group, ' ');
            break;
        case '_':
            Byte(group, '-');
            break;
        case '*':
            // A destination that a reader may ignore: we read none of them.
            group.skip = true;
            break;
        case '\r':
        case '\n':
            EndLine(group);
            break;
        default: // \- (optional hyphen), \| and the like
            break;
        }
        return i + 1;
    }

    qsizetype Word(const QByteArray& word, bool hasParameter, qint64 parameter, qsizetype next, Group& group)
    {
        if (group.fontTable) {
            if (word == "f")
                fontDefined_ = int(parameter);
            else if (word == "fcharset")
                fontCodePage_[fontDefined_] = CodePageOfCharset(int(parameter));
            else if (word == "cpg" && (parameter == 1250 || parameter == 1252))
                fontCodePage_[fontDefined_] = int(parameter);
        }
        if (word == "bin" && hasParameter) {
            // Raw bytes follow; they may hold anything, braces too.
            if (parameter < 0 || parameter > in_.size() - next)
                Fail(QStringLiteral("uszkodzony plik RTF"));
            return next + qsizetype(parameter);
        }
        if (word == "fonttbl") {
            group.fontTable = true;
        } else if (Skipped(word)) {
            group.skip = true;
        } else if (word == "par" || word == "line" || word == "sect" || word == "page" || word == "row") {
            EndLine(group);
        } else if (word == "tab" || word == "cell") {
            Emit(group, QLatin1Char('\t'));
        } else if (word == "u" && hasParameter) {
            const qint64 unit = parameter < 0 ? parameter + 65536 : parameter;
            if (unit >= 0 && unit <= 0xFFFF)
                Emit(group, QChar(char16_t(unit)));
            pendingSkip_ = group.uc;
            return next;
        } else if (word == "uc" && hasParameter) {
            group.uc = int(std::clamp<qint64>(parameter, 0, 8));
        } else if (word == "ansicpg" && hasParameter) {
            ansiCodePage_ = int(parameter);
        } else if (word == "deff" && hasParameter) {
            defaultFont_ = int(parameter);
        } else if (word == "f" && hasParameter && !group.fontTable) {
            group.font = int(parameter);
        } else if (word == "emdash") {
            Emit(group, QChar(0x2014));
        } else if (word == "endash") {
            Emit(group, QChar(0x2013));
        } else if (word == "lquote") {
            Emit(group, QChar(0x2018));
        } else if (word == "rquote") {
            Emit(group, QChar(0x2019));
        } else if (word == "ldblquote") {
            Emit(group, QChar(0x201C));
        } else if (word == "rdblquote") {
            Emit(group, QChar(0x201D));
        } else if (word == "bullet") {
            Emit(group, QChar(0x2022));
        } else if (word == "emspace" || word == "enspace" || word == "qmspace") {
            Emit(group, QLatin1Char(' '));
        }
        // A control word counts as one of the bytes that follow a \u.
        if (pendingSkip_ > 0)
            --pendingSkip_;
        return next;
    }

    const QByteArray& in_;
    Lines lines_;
    int ansiCodePage_ = 1252;
    int defaultFont_ = -1;
    int fontDefined_ = -1;
    QHash<int, int> fontCodePage_;
    int pendingSkip_ = 0;
};

} // namespace

int ReadRtf(const QByteArray& input, const Limits& limits, TextOut& out)
{
    RtfReader(input, limits, out).Read();
    return 0;
}

} // namespace dokument
