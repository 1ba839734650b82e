#pragma once

#include <QString>
#include <QtGlobal>

// A point's label. Nearly every label is the point's number ("0", "1" ... as adding a
// point and "&Renumber points" make them): such a name is kept as the number and becomes
// text only where it is shown or saved, so numbering a frame of 65,535 points makes no
// strings and comparing names compares numbers. Any other text is kept as text, shared
// between copies. A text that is a plain decimal number of up to 5 digits ("12", not
// "012" or "+1") is that number: the two are the same name.
class TPointName {
public:
    TPointName() = default;   // no label
    TPointName(const QString& text);
    TPointName(const char* text) : TPointName(QString::fromUtf8(text)) {}
    // The name "&Renumber points" gives the point at `index`: its decimal digits, at most 5.
    static TPointName Number(int number);

    TPointName(const TPointName& other) : FBits(other.FBits) { Share(); }
    TPointName(TPointName&& other) noexcept : FBits(other.FBits) { other.FBits = 0; }
    TPointName& operator=(const TPointName& other);
    TPointName& operator=(TPointName&& other) noexcept;
    ~TPointName() { Release(); }

    bool isEmpty() const { return FBits == 0; }
    bool IsNumber() const { return FBits & 1; }
    bool IsText() const { return FBits != 0 && !(FBits & 1); }
    int Number() const { return int(FBits >> 1); }   // when IsNumber()
    QString Text() const;
    operator QString() const { return Text(); }
    // Bytes a text name holds besides the point (0 for a number), for memory budgets.
    qint64 TextCost() const;
    // The first `size` characters as 8-bit bytes (others as '?'), padded with zero bytes:
    // the label as a show file keeps it.
    void ToLatin1(char* bytes, int size) const;

    friend bool operator==(const TPointName& a, const TPointName& b)
    {
        return a.FBits == b.FBits || (a.IsText() && b.IsText() && a.TextRef() == b.TextRef());
    }
    friend bool operator==(const TPointName& a, const QString& b) { return a == TPointName(b); }

private:
    struct TShared;
    const QString& TextRef() const;
    void Share() const;
    void Release();

    // 0: no label; odd: a number, shifted left by one; otherwise the TShared text.
    quintptr FBits = 0;
};
