#include "PointName.h"

#include <atomic>

struct TPointName::TShared {
    std::atomic<int> Refs{1};
    QString Text;
};

namespace {

constexpr int MaxNumber = 99999;   // five digits, as many as a show file keeps

// The number a text names: "0" or up to five digits without a leading zero; -1 otherwise.
int PlainNumber(const QString& text)
{
    const qsizetype n = text.size();
    if (n == 0 || n > 5 || (n > 1 && text[0] == QLatin1Char('0')))
        return -1;
    int value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

} // namespace

TPointName::TPointName(const QString& text)
{
    if (text.isEmpty())
        return;
    const int number = PlainNumber(text);
    if (number >= 0) {
        FBits = (quintptr(number) << 1) | 1;
        return;
    }
    auto* shared = new TShared;
    shared->Text = text;
    FBits = reinterpret_cast<quintptr>(shared);
}

TPointName TPointName::Number(int number)
{
    if (number < 0 || number > MaxNumber)
        return TPointName(QString::number(number).left(5));
    TPointName name;
    name.FBits = (quintptr(number) << 1) | 1;
    return name;
}

TPointName& TPointName::operator=(const TPointName& other)
{
    if (FBits != other.FBits) {
        other.Share();
        Release();
        FBits = other.FBits;
    }
    return *this;
}

TPointName& TPointName::operator=(TPointName&& other) noexcept
{
    if (this != &other) {
        Release();
        FBits = other.FBits;
        other.FBits = 0;
    }
    return *this;
}

void TPointName::Share() const
{
    if (IsText())
        reinterpret_cast<TShared*>(FBits)->Refs.fetch_add(1, std::memory_order_relaxed);
}

void TPointName::Release()
{
    if (!IsText())
        return;
    auto* shared = reinterpret_cast<TShared*>(FBits);
    if (shared->Refs.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete shared;
    FBits = 0;
}

const QString& TPointName::TextRef() const
{
    return reinterpret_cast<const TShared*>(FBits)->Text;
}

QString TPointName::Text() const
{
    if (IsNumber())
        return QString::number(Number());
    if (IsText())
        return TextRef();
    return {};
}

qint64 TPointName::TextCost() const
{
    return IsText() ? qint64(sizeof(TShared)) + qint64(TextRef().capacity()) * qint64(sizeof(QChar)) : 0;
}

void TPointName::ToLatin1(char* bytes, int size) const
{
    int n = 0;
    if (IsNumber()) {
        char digits[8];
        int count = 0;
        for (int value = Number(); count == 0 || value > 0; value /= 10)
            digits[count++] = char('0' + value % 10);
        for (; n < size && n < count; ++n)
            bytes[n] = digits[count - 1 - n];
    } else if (IsText()) {
        const QString& text = TextRef();
        for (; n < size && n < text.size(); ++n) {
            const char16_t c = text[n].unicode();
            bytes[n] = c < 256 ? char(c) : '?';
        }
    }
    for (; n < size; ++n)
        bytes[n] = 0;
}
