#include "gui/QtText.h"

#include <QFontMetrics>
#include <QStringDecoder>
#include <QStringList>

namespace velmorak::gui {

namespace {

// Windows-1252's characters 0x80..0x9F; the others are Latin-1. Unassigned bytes stay as
// the C1 control they would be in Latin-1.
constexpr char16_t kCp1252High[32] = { 0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020,
    0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019,
    0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E,
    0x0178 };

} // namespace

QString toQString(std::string_view bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (!utf8.hasError())
        return text;
    text.clear();
    text.reserve(qsizetype(bytes.size()));
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        text.append(byte >= 0x80 && byte < 0xA0 ? QChar(kCp1252High[byte - 0x80]) : QChar(byte));
    }
    return text;
}

std::vector<int> shownOffsets(std::string_view bytes)
{
    std::vector<int> offsets(bytes.size() + 1);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // The decoder finds out while converting, which happens only into a QString.
    static_cast<void>(QString(utf8(QByteArrayView(bytes.data(), qsizetype(bytes.size())))));
    const bool windows1252 = utf8.hasError();
    int unit = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        // Windows-1252 text is one character a byte; in UTF-8 a character starts at each
        // byte that is not a continuation, and one past U+FFFF takes two units.
        if (!windows1252 && (byte & 0xC0) == 0x80 && i > 0) {
            offsets[i] = offsets[i - 1];
            continue;
        }
        offsets[i] = unit;
        unit += !windows1252 && byte >= 0xF0 ? 2 : 1;
    }
    offsets[bytes.size()] = unit;
    return offsets;
}

std::string toBytes(const QString& text)
{
    QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), std::size_t(utf8.size()));
}

QString elidedBetweenWords(const QFontMetrics& metrics, const QString& row, int width)
{
    if (metrics.horizontalAdvance(row) <= width)
        return row;
    const QStringList words = row.split(u' ', Qt::SkipEmptyParts);
    QStringList left = words.mid(0, words.size() / 2), right = words.mid(words.size() / 2);
    while (!left.isEmpty() && !right.isEmpty()) {
        if (left.size() >= right.size())
            left.removeLast();
        else
            right.removeFirst();
        const QString text = (left + QStringList { QStringLiteral("\u2026") } + right).join(u' ');
        if (metrics.horizontalAdvance(text) <= width)
            return text;
    }
    return metrics.elidedText(row, Qt::ElideMiddle, width);
}

} // namespace velmorak::gui
