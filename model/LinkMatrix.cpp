#include "LinkMatrix.h"

#include <algorithm>
#include <bit>

TLinkMatrix::TData& TLinkMatrix::Own()
{
    if (!FData)
        FData = std::make_shared<TData>();
    else if (FData.use_count() > 1)
        FData = std::make_shared<TData>(*FData);
    // The caller is about to change the bits.
    FData->Listed.reset();
    FData->TooMany = false;
    return *FData;
}

const std::vector<TLinkMatrix::TEntry>* TLinkMatrix::Entries() const
{
    // A list of more links than this would hold more than the words it saves reading.
    constexpr size_t MostListed = size_t(1) << 20;
    static const std::vector<TEntry> none;
    if (!FData)
        return &none;
    const TData& d = *FData;
    if (d.Listed || d.TooMany)
        return d.Listed.get();
    auto listed = std::make_unique<std::vector<TEntry>>();
    for (size_t j = 0; j < d.Spans.size(); ++j) {
        const TSpan& span = d.Spans[j];
        for (quint32 w = 0; w < span.words; ++w) {
            for (quint64 bits = d.Pool[span.start + w]; bits; bits &= bits - 1) {
                if (listed->size() == MostListed) {
                    d.TooMany = true;
                    return nullptr;
                }
                listed->push_back({qint32(64 * w + quint32(std::countr_zero(bits))), qint32(j)});
            }
        }
    }
    d.Listed = std::move(listed);
    return d.Listed.get();
}

void TLinkMatrix::StoreColumn(int j, const quint64* bits, int words)
{
    while (words > 0 && bits[words - 1] == 0)
        --words;
    TData& d = Own();
    d.Unused += d.Spans[j].words;
    if (words == 0) {
        d.Spans[j] = {};
    } else {
        d.Spans[j] = {quint32(d.Pool.size()), quint32(words)};
        d.Pool.insert(d.Pool.end(), bits, bits + words);
    }
    if (d.Unused > 1024 && d.Unused > qsizetype(d.Pool.size()) / 2)
        Compact();
}

void TLinkMatrix::Set(int i, int j, bool linked)
{
    if (i < 0 || j < 0 || i >= FRows || j >= FCols)
        return;
    const quint64 bit = quint64(1) << (i % 64);
    const int w = i / 64;
    const TSpan& stored = FData->Spans[j];
    if (quint32(w) >= stored.words && !linked)
        return;
    // Setting what is set already changes nothing, and shares on.
    if (quint32(w) < stored.words && bool(FData->Pool[stored.start + w] & bit) == linked)
        return;
    TData& d = Own();
    const TSpan& span = d.Spans[j];
    if (quint32(w) < span.words) {
        if (linked)
            d.Pool[span.start + w] |= bit;
        else
            d.Pool[span.start + w] &= ~bit;
        return;
    }
    std::vector<quint64> column(w + 1, 0);
    std::copy_n(d.Pool.begin() + span.start, span.words, column.begin());
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
    TData& d = Own();
    d.Unused += d.Spans[j].words;
    d.Spans[j] = {quint32(d.Pool.size()), quint32(words)};
    d.Pool.insert(d.Pool.end(), bits, bits + words);
    if (words > 0 && words == (rows + 63) / 64)
        d.Pool.back() &= lastMask;
    if (d.Unused > 1024 && d.Unused > qsizetype(d.Pool.size()) / 2)
        Compact();
}

void TLinkMatrix::Fit(int rows, int cols)
{
    rows = std::max(rows, 0);
    cols = std::max(cols, 0);
    if (rows == FRows && cols == FCols)
        return;
    // Stored words hold only bits inside the matrix, so growing changes no word (nor the
    // words a copy shares); shrinking cuts each column in place. Neither copies the pool
    // of an unshared matrix, however many links it holds.
    if (FData && FData.use_count() > 1 && (cols < FCols || rows < FRows)) {
        // Shared with a copy (the history's): a store of what stays, not a copy of all first.
        auto kept = std::make_shared<TData>();
        kept->Spans.resize(size_t(cols));
        const quint32 rowWords = quint32((rows + 63) / 64);
        for (int j = 0; j < std::min(cols, FCols); ++j) {
            const TSpan& span = FData->Spans[size_t(j)];
            const quint32 words = std::min(span.words, rowWords);
            kept->Spans[size_t(j)] = {quint32(kept->Pool.size()), words};
            kept->Pool.insert(kept->Pool.end(), FData->Pool.begin() + span.start,
                              FData->Pool.begin() + span.start + words);
        }
        FData = std::move(kept);
    } else if (cols != FCols) {
        TData& d = Own();
        for (int j = cols; j < FCols; ++j)
            d.Unused += d.Spans[j].words;
        d.Spans.resize(size_t(cols));
    }
    if (rows < FRows && FData) {
        const quint32 words = quint32((rows + 63) / 64);
        const quint64 lastMask = rows % 64 ? (quint64(1) << (rows % 64)) - 1 : ~quint64(0);
        TData& d = Own();
        for (TSpan& span : d.Spans) {
            if (span.words > words) {
                d.Unused += span.words - words;
                span.words = words;
            }
            if (span.words > 0 && span.words == words)
                d.Pool[span.start + span.words - 1] &= lastMask;
            while (span.words > 0 && d.Pool[span.start + span.words - 1] == 0) {
                --span.words;
                ++d.Unused;
            }
        }
    }
    FRows = rows;
    FCols = cols;
    if (FData && FData->Unused > 1024 && FData->Unused > qsizetype(FData->Pool.size()) / 2)
        Compact();
}

void TLinkMatrix::Compact()
{
    TData& d = Own();
    std::vector<quint64> pool;
    pool.reserve(d.Pool.size() - size_t(d.Unused));
    for (TSpan& span : d.Spans) {
        const quint32 start = quint32(pool.size());
        pool.insert(pool.end(), d.Pool.begin() + span.start, d.Pool.begin() + span.start + span.words);
        span.start = start;
    }
    d.Pool = std::move(pool);
    d.Unused = 0;
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
    const TSpan& span = FData->Spans[j];
    for (quint32 w = 0; w < span.words; ++w)
        if (FData->Pool[span.start + w])
            return true;
    return false;
}

bool operator==(const TLinkMatrix& a, const TLinkMatrix& b)
{
    if (a.FRows != b.FRows || a.FCols != b.FCols)
        return false;
    if (a.SharesBits(b))
        return true;
    for (int j = 0; j < a.FCols; ++j) {
        const int words = int(std::max(a.FData->Spans[j].words, b.FData->Spans[j].words));
        for (int w = 0; w < words; ++w)
            if (a.Word(j, w) != b.Word(j, w))
                return false;
    }
    return true;
}
