#pragma once

#include <QtGlobal>
#include <memory>
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
//
// Copies share the bits until one of them changes: the history keeps a copy of a frame's
// links before every edit, and most edits of a big frame leave them as they were.
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
    int ColumnWords(int j) const { return int(FData->Spans[j].words); }
    // Word w of column j: bit b is row 64 * w + b. Zero past the stored part.
    quint64 Word(int j, int w) const
    {
        const TSpan& span = FData->Spans[j];
        return quint32(w) < span.words ? FData->Pool[span.start + w] : 0;
    }
    // Words the matrix holds in all, for what a copy of it costs.
    qsizetype PoolWords() const { return FData ? qsizetype(FData->Pool.size()) : 0; }
    // Every link as (row, column), column by column and down each column: worked out once
    // for these bits and kept with them until they change, so a repaint of a big frame need
    // not read every stored word. Null when there are too many to be worth a list. For the
    // thread that owns the show: the list is made on first use.
    struct TEntry {
        qint32 Row, Col;
    };
    const std::vector<TEntry>* Entries() const;
    // True when both read their bits from the same words: then no column differs.
    bool SharesBits(const TLinkMatrix& other) const { return FData && FData == other.FData; }
    // Replaces column j by `bits` (bit i % 64 of word i / 64 is row i), taking the
    // first `rows` rows and only those inside the matrix.
    void SetColumnBits(int j, const quint64* bits, int words, int rows);

    friend bool operator==(const TLinkMatrix& a, const TLinkMatrix& b);

private:
    struct TSpan {
        quint32 start = 0;
        quint32 words = 0; // 0: the column holds no link
    };
    struct TData {
        std::vector<TSpan> Spans;   // one per column
        std::vector<quint64> Pool;  // the stored words of all columns
        qsizetype Unused = 0;       // pool words no span refers to any more
        mutable std::unique_ptr<std::vector<TEntry>> Listed;   // Entries(), once asked for
        mutable bool TooMany = false;

        TData() = default;
        TData(const TData& other) : Spans(other.Spans), Pool(other.Pool), Unused(other.Unused) {}
    };
    void StoreColumn(int j, const quint64* bits, int words);
    void Compact();
    TData& Own();   // the bits, copied first while another matrix shares them

    int FRows = 0;
    int FCols = 0;
    // Null while the matrix has no column; otherwise shared between copies.
    std::shared_ptr<TData> FData;
};
