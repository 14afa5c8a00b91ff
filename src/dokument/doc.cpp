// DOC (Word 97 to 2003): a small reader of our own. The file is a compound
// file (CFB) of streams; the text is in the WordDocument stream, in pieces
// that the piece table (in the 0Table or 1Table stream, found through the
// FIB at the stream's start) lists in order: 8-bit pieces and UTF-16 ones.
// Every offset and length read from the file is checked against what is
// there, every chain of sectors is bounded by the file's size.
#include "codepage.h"
#include "reading.h"

#include <vector>

namespace dokument {

namespace {

constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFree = 0xFFFFFFFF;
constexpr quint32 kNoStream = 0xFFFFFFFF;

[[noreturn]] void Damaged()
{
    Fail(QStringLiteral("uszkodzony plik DOC"));
}

quint16 U16(const QByteArray& bytes, qint64 at)
{
    if (at < 0 || at + 2 > bytes.size())
        Damaged();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData()) + at;
    return quint16(p[0] | (p[1] << 8));
}

quint32 U32(const QByteArray& bytes, qint64 at)
{
    if (at < 0 || at + 4 > bytes.size())
        Damaged();
    return quint32(U16(bytes, at)) | (quint32(U16(bytes, at + 2)) << 16);
}

// The compound file: sectors, the allocation table, the directory.
class CompoundFile
{
public:
    explicit CompoundFile(const QByteArray& file) : file_(file)
    {
        if (!file_.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
            Damaged();
        const quint16 shift = U16(file_, 30);
        if (shift != 9 && shift != 12)
            Damaged();
        sector_ = 1 << shift;
        const quint16 miniShift = U16(file_, 32);
        if (miniShift != 6)
            Damaged();
        miniSector_ = 1 << miniShift;
        miniCutoff_ = U32(file_, 56);
        sectors_ = (file_.size() - sector_ + sector_ - 1) / sector_;
        if (sectors_ <= 0)
            Damaged();
        ReadAllocationTable();
        directory_ = Chain(U32(file_, 48), -1);
        root_ = Entry(0);
        if (root_.type != 5)
            Damaged();
        // The mini stream lives in the root entry's chain; the mini table
        // in a chain of its own.
        miniStream_ = Chain(root_.start, root_.size);
        const QByteArray miniTable = Chain(U32(file_, 60), -1, true);
        for (qsizetype at = 0; at + 4 <= miniTable.size(); at += 4)
            miniFat_.push_back(U32(miniTable, at));
    }

    // A stream of the root storage by name; empty and false when there is none.
    bool Stream(const QString& name, QByteArray& stream) const
    {
        // The root's children are a binary tree by name; walk all of it,
        // every entry at most once.
        std::vector<quint32> pending{root_.child};
        std::vector<bool> seen(size_t(directory_.size() / 128), false);
        while (!pending.empty()) {
            const quint32 id = pending.back();
            pending.pop_back();
            if (id == kNoStream)
                continue;
            if (id >= seen.size() || seen[id])
                Damaged();
            seen[id] = true;
            const DirectoryEntry entry = Entry(id);
            if (entry.type == 2 && entry.name == name) {
                stream = entry.size < miniCutoff_ ? MiniChain(entry.start, entry.size) : Chain(entry.start, entry.size);
                return true;
            }
            pending.push_back(entry.left);
            pending.push_back(entry.right);
        }
        return false;
    }

private:
    struct DirectoryEntry
    {
        QString name;
        int type = 0;
        quint32 left = kNoStream, right = kNoStream, child = kNoStream;
        quint32 start = kEndOfChain;
        qint64 size = 0;
    };

    DirectoryEntry Entry(quint32 id) const
    {
        const qint64 at = qint64(id) * 128;
        if (at + 128 > directory_.size())
            Damaged();
        DirectoryEntry entry;
        const int nameBytes = std::min<int>(U16(directory_, at + 64), 64);
        for (int i = 0; i + 2 < nameBytes; i += 2)
            entry.name += QChar(char16_t(U16(directory_, at + i)));
        entry.type = static_cast<unsigned char>(directory_[at + 66]);
        entry.left = U32(directory_, at + 68);
        entry.right = U32(directory_, at + 72);
        entry.child = U32(directory_, at + 76);
        entry.start = U32(directory_, at + 116);
        // Version 3 files keep only the low half of the size; the high half
        // may hold anything.
        entry.size = sector_ == 512 ? qint64(U32(directory_, at + 120))
                                    : qint64(U32(directory_, at + 120)) | (qint64(U32(directory_, at + 124)) << 32);
        if (entry.size > file_.size())
            Damaged();
        return entry;
    }

    void ReadAllocationTable()
    {
        // The first 109 table sectors are listed in the header, the rest in
        // a chain of extension sectors.
        const quint32 count = U32(file_, 44);
        if (count > quint32(sectors_))
            Damaged();
        std::vector<quint32> tableSectors;
        for (int i = 0; i < 109 && tableSectors.size() < count; ++i)
            tableSectors.push_back(U32(file_, 76 + 4 * i));
        quint32 extension = U32(file_, 68);
        qint64 steps = 0;
        while (tableSectors.size() < count && extension != kEndOfChain && extension != kFree) {
            if (++steps > sectors_)
                Damaged();
            const qint64 at = Offset(extension);
            const int perSector = sector_ / 4 - 1;
            for (int i = 0; i < perSector && tableSectors.size() < count; ++i)
                tableSectors.push_back(U32(file_, at + 4 * i));
            extension = U32(file_, at + 4 * perSector);
        }
        if (tableSectors.size() < count)
            Damaged();
        fat_.reserve(size_t(count) * size_t(sector_ / 4));
        for (const quint32 sector : tableSectors) {
            const qint64 at = Offset(sector);
            for (int i = 0; i < sector_ / 4; ++i)
                fat_.push_back(U32(file_, at + 4 * i));
        }
    }

    qint64 Offset(quint32 sector) const
    {
        if (qint64(sector) >= sectors_)
            Damaged();
        return qint64(sector + 1) * sector_;
    }

    // The bytes of a chain of sectors, `size` of them (-1: the whole chain).
    QByteArray Chain(quint32 start, qint64 size, bool mayBeEmpty = false) const
    {
        QByteArray out;
        quint32 sector = start;
        qint64 steps = 0;
        while (sector != kEndOfChain && (size < 0 || out.size() < size)) {
            if (sector == kFree && mayBeEmpty && out.isEmpty())
                break;
            if (sector >= fat_.size() || ++steps > sectors_)
                Damaged();
            out.append(file_.constData() + Offset(sector), sector_);
            sector = fat_[sector];
        }
        if (size >= 0) {
            if (out.size() < size)
                Damaged();
            out.truncate(qsizetype(size));
        }
        return out;
    }

    QByteArray MiniChain(quint32 start, qint64 size) const
    {
        QByteArray out;
        quint32 sector = start;
        qint64 steps = 0;
        while (out.size() < size) {
            if (sector >= miniFat_.size() || ++steps > qint64(miniFat_.size()))
                Damaged();
            const qint64 at = qint64(sector) * miniSector_;
            if (at + miniSector_ > miniStream_.size())
                Damaged();
            out.append(miniStream_.constData() + at, miniSector_);
            sector = miniFat_[sector];
        }
        out.truncate(qsizetype(size));
        return out;
    }

    const QByteArray& file_;
    int sector_ = 512;
    int miniSector_ = 64;
    quint32 miniCutoff_ = 4096;
    qint64 sectors_ = 0;
    std::vector<quint32> fat_;
    std::vector<quint32> miniFat_;
    QByteArray directory_;
    QByteArray miniStream_;
    DirectoryEntry root_;
};

// The languages whose Windows code page is 1250: Polish, Czech, Slovak,
// Hungarian, Slovenian, Croatian, Romanian, Albanian.
bool CentralEuropean(quint16 language)
{
    switch (language & 0x3FF) {
    case 0x15: case 0x05: case 0x1B: case 0x0E: case 0x24: case 0x1A: case 0x18: case 0x1C:
        return true;
    default:
        return false;
    }
}

// The characters of the text stream as the reader shows them. Field codes
// (between 0x13 and 0x14) are not shown, their results (up to 0x15) are.
class DocText
{
public:
    DocText(TextOut& out, qint64 cap) : lines_(out, cap) {}

    void Put(char16_t c)
    {
        switch (c) {
        case 0x13: // field begins: its code follows
            if (fields_.size() < 64)
                fields_.push_back(true);
            return;
        case 0x14: // the field's result follows
            if (!fields_.empty())
                fields_.back() = false;
            return;
        case 0x15:
            if (!fields_.empty())
                fields_.pop_back();
            return;
        default:
            break;
        }
        for (const bool code : fields_) {
            if (code)
                return;
        }
        switch (c) {
        case 0x0D: // paragraph
        case 0x0B: // line break
        case 0x0C: // page or section break
            lines_.End();
            break;
        case 0x07: // end of a table cell (or row)
        case 0x09:
            lines_.Add(QLatin1Char('\t'));
            break;
        case 0x1E: // non-breaking hyphen
            lines_.Add(QLatin1Char('-'));
            break;
        case 0xA0:
            lines_.Add(QLatin1Char(' '));
            break;
        default:
            // Anchors of pictures, notes and objects (below 0x20) and the
            // optional hyphen (0x1F) show nothing.
            if (c >= 0x20)
                lines_.Add(QChar(c));
            break;
        }
    }

    void End() { lines_.End(); }

private:
    Lines lines_;
    std::vector<bool> fields_;
};

} // namespace

int ReadDoc(const QByteArray& input, const Limits& limits, TextOut& out)
{
    const CompoundFile file(input);
    QByteArray word;
    if (!file.Stream(QStringLiteral("WordDocument"), word))
        Fail(QStringLiteral("plik DOC bez treści dokumentu (brak strumienia WordDocument)"));
    if (U16(word, 0) != 0xA5EC)
        Damaged();
    const quint16 version = U16(word, 2);
    if (version < 0x00C1)
        Fail(QStringLiteral("dokument w formacie Word 6/95 lub starszym: nieobsługiwany"));
    const quint16 language = U16(word, 6);
    const quint16 flags = U16(word, 10);
    if (flags & 0x0100)
        Fail(QStringLiteral("dokument DOC zaszyfrowany"));
    QByteArray table;
    if (!file.Stream((flags & 0x0200) ? QStringLiteral("1Table") : QStringLiteral("0Table"), table))
        Damaged();

    // FibBase (32 bytes), then three arrays, each after its count.
    qint64 at = 32;
    at += 2 + 2 * qint64(U16(word, at));                    // fibRgW
    const qint64 longs = at + 2;
    at += 2 + 4 * qint64(U16(word, at));                    // fibRgLw
    const qint64 mainLength = U32(word, longs + 12);        // ccpText
    const qint64 pairs = at + 2;
    if (U16(word, at) < 34)
        Damaged();
    const quint32 clxOffset = U32(word, pairs + 33 * 8);
    const quint32 clxLength = U32(word, pairs + 33 * 8 + 4);
    if (qint64(clxOffset) + clxLength > table.size())
        Damaged();
    const QByteArray clx = table.mid(clxOffset, clxLength);

    // The Clx: property runs (0x01, skipped), then the piece table (0x02).
    qint64 c = 0;
    while (c < clx.size() && clx[c] == 0x01)
        c += 3 + U16(clx, c + 1);
    if (c >= clx.size() || clx[c] != 0x02)
        Damaged();
    const qint64 pieceTableLength = U32(clx, c + 1);
    const qint64 pieceTable = c + 5;
    if (pieceTable + pieceTableLength > clx.size() || (pieceTableLength - 4) % 12 != 0)
        Damaged();
    const qint64 pieces = (pieceTableLength - 4) / 12;
    const int codePage = CentralEuropean(language) ? 1250 : 1252;

    DocText text(out, limits.textBytes);
    qint64 written = 0; // characters of the main text so far
    for (qint64 i = 0; i < pieces && written < mainLength; ++i) {
        const quint32 from = U32(clx, pieceTable + 4 * i);
        const quint32 to = U32(clx, pieceTable + 4 * (i + 1));
        if (to < from)
            Damaged();
        const qint64 count = std::min<qint64>(to - from, mainLength - written);
        const quint32 position = U32(clx, pieceTable + 4 * (pieces + 1) + 8 * i + 2);
        const bool compressed = position & 0x40000000;
        const qint64 offset = position & 0x3FFFFFFF;
        if (compressed) {
            // 8-bit: Word writes them in the code page of the document's
            // language (the format says 1252; Polish files from other
            // writers use 1250, and Word itself puts Polish letters into
            // UTF-16 pieces).
            const qint64 start = offset / 2;
            if (start + count > word.size())
                Damaged();
            for (qint64 k = 0; k < count; ++k)
                text.Put(FromCodePage(codePage, static_cast<unsigned char>(word[start + k])).unicode());
        } else {
            if (offset + 2 * count > word.size())
                Damaged();
            for (qint64 k = 0; k < count; ++k)
                text.Put(U16(word, offset + 2 * k));
        }
        written += count;
    }
    text.End();
    return 0;
}

} // namespace dokument
