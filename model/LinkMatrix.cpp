#include "LinkMatrix.h"

#include <algorithm>

void TLinkMatrix::StoreColumn(int j, const quint64* bits, int words)
{
    while (words > 0 && bits[words - 1] == 0)
        --words;
    FUnused += FSpans[j].words;
    if (words == 0) {
        FSpans[j] = {};
    } else {
        FSpans[j] = {quint32(FPool.size()), quint32(words)};
        FPool.insert(FPool.end(), bits, bits + words);
    }
    if (FUnused > 1024 && FUnused > qsizetype(FPool.size()) / 2)
        Compact();
}

void TLinkMatrix::Set(int i, int j, bool linked)
{
    if (i < 0 || j < 0 || i >= FRows || j >= FCols)
        return;
    const quint64 bit = quint64(1) << (i % 64);
    TSpan& span = FSpans[j];
    const int w = i / 64;
    if (quint32(w) < span.words) {
        if (linked)
            FPool[span.start + w] |= bit;
        else
            FPool[span.start + w] &= ~bit;
        return;
    }
    if (!linked)
        return;
    std::vector<quint64> column(w + 1, 0);
    std::copy_n(FPool.begin() + span.start, span.words, column.begin());
    column[w] |= bit;
    StoreColumn(j, column.data(), w + 1);
}

void TLinkMatrix::SetColumnBits(int j, const quint64* bits, int words, int rows)
{
    if (j < 0 || j >= FCols)
        return;
    rows = std::min(rows, FRows);
    words = std::max(std::min(words, (rows + 63) / 64), 0);
    const quint64 lastMask = rows % 64 ? (quint64(1) << (rows % 64)) - 1 : ~quint64(0);
    while (words > 0 && (bits[words - 1] & (words == (rows + 63) / 64 ? lastMask : ~quint64(0))) == 0)
        --words;
    FUnused += FSpans[j].words;
    FSpans[j] = {quint32(FPool.size()), quint32(words)};
    FPool.insert(FPool.end(), bits, bits + words);
    if (words > 0 && words == (rows + 63) / 64)
        FPool.back() &= lastMask;
    if (FUnused > 1024 && FUnused > qsizetype(FPool.size()) / 2)
        Compact();
}

void TLinkMatrix::Fit(int rows, int cols)
{
    rows = std::max(rows, 0);
    cols = std::max(cols, 0);
    if (rows == FRows && cols == FCols)
        return;
    // Stored words hold only bits inside the matrix, so growing changes no word; shrinking
    // cuts each column in place. Neither copies the pool, however many links it holds.
    for (int j = cols; j < FCols; ++j)
        FUnused += FSpans[j].words;
    FSpans.resize(size_t(cols));
    if (rows < FRows) {
        const quint32 words = quint32((rows + 63) / 64);
        const quint64 lastMask = rows % 64 ? (quint64(1) << (rows % 64)) - 1 : ~quint64(0);
        for (TSpan& span : FSpans) {
            if (span.words > words) {
                FUnused += span.words - words;
                span.words = words;
            }
            if (span.words > 0 && span.words == words)
                FPool[span.start + span.words - 1] &= lastMask;
            while (span.words > 0 && FPool[span.start + span.words - 1] == 0) {
                --span.words;
                ++FUnused;
            }
        }
    }
    FRows = rows;
    FCols = cols;
    if (FUnused > 1024 && FUnused > qsizetype(FPool.size()) / 2)
        Compact();
}

void TLinkMatrix::Compact()
{
    std::vector<quint64> pool;
    pool.reserve(FPool.size() - FUnused);
    for (TSpan& span : FSpans) {
        const quint32 start = quint32(pool.size());
        pool.insert(pool.end(), FPool.begin() + span.start, FPool.begin() + span.start + span.words);
        span.start = start;
    }
    FPool = std::move(pool);
    FUnused = 0;
}

bool TLinkMatrix::AnyInRow(int i) const
{
    for (int j = 0; j < FCols; ++j)
        if (Get(i, j))
            return true;
    return false;
}

bool TLinkMatrix::AnyInColumn(int j) const
{
    if (j < 0 || j >= FCols)
        return false;
    for (quint32 w = 0; w < FSpans[j].words; ++w)
        if (FPool[FSpans[j].start + w])
            return true;
    return false;
}

bool operator==(const TLinkMatrix& a, const TLinkMatrix& b)
{
    if (a.FRows != b.FRows || a.FCols != b.FCols)
        return false;
    for (int j = 0; j < a.FCols; ++j) {
        const int words = int(std::max(a.FSpans[j].words, b.FSpans[j].words));
        for (int w = 0; w < words; ++w)
            if (a.Word(j, w) != b.Word(j, w))
                return false;
    }
    return true;
}
