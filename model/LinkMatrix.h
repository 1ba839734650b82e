#pragma once

#include <QtGlobal>
#include <vector>

// Links[i][j] of frame k: point i of frame k is linked to point j of frame k-1.
//
// The dimensions are only changed by Fit(); between fits they may be stale, so
// reads outside the matrix answer "not linked" and writes outside it are dropped.
//
// Bits are kept per column (the order of the show file), each column only as
// long as its last link needs, all columns in one pool. So memory follows the
// links actually set: a damaged file that claims huge point counts cannot make
// the matrix allocate more than the link bits it carries.
class TLinkMatrix {
public:
    TLinkMatrix() = default;
    TLinkMatrix(int rows, int cols) { Fit(rows, cols); }

    int Rows() const { return FRows; }
    int Cols() const { return FCols; }

    bool Get(int i, int j) const
    {
        if (i < 0 || j < 0 || i >= FRows || j >= FCols)
            return false;
        return (Word(j, i / 64) >> (i % 64)) & 1u;
    }
    void Set(int i, int j, bool linked);

    // Re-dimension to rows x cols; entries whose indices both still fit keep
    // their value, new entries are false.
    void Fit(int rows, int cols);
    void Clear() { *this = TLinkMatrix(); }

    bool AnyInRow(int i) const;
    bool AnyInColumn(int j) const;

    // Words stored for column j; the words past them are zero.
    int ColumnWords(int j) const { return int(FSpans[j].words); }
    // Word w of column j: bit b is row 64 * w + b. Zero past the stored part.
    quint64 Word(int j, int w) const
    {
        const TSpan& span = FSpans[j];
        return quint32(w) < span.words ? FPool[span.start + w] : 0;
    }
    // Words the matrix holds in all, for what a copy of it costs.
    qsizetype PoolWords() const { return qsizetype(FPool.size()); }
    // Replaces column j by `bits` (bit i % 64 of word i / 64 is row i), taking the
    // first `rows` rows and only those inside the matrix.
    void SetColumnBits(int j, const quint64* bits, int words, int rows);

    friend bool operator==(const TLinkMatrix& a, const TLinkMatrix& b);

private:
    struct TSpan {
        quint32 start = 0;
        quint32 words = 0; // 0: the column holds no link
    };
    void StoreColumn(int j, const quint64* bits, int words);
    void Compact();

    int FRows = 0;
    int FCols = 0;
    std::vector<TSpan> FSpans;   // one per column
    std::vector<quint64> FPool;  // the stored words of all columns
    qsizetype FUnused = 0;       // pool words no span refers to any more
};
