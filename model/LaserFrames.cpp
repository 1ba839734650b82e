#include "LaserFrames.h"

TLaserFrame& TLaserFrames::Add()
{
    List.push_back(std::make_unique<TLaserFrame>());
    return *List.back();
}

int TLaserFrames::AddFrame(std::unique_ptr<TLaserFrame> frame)
{
    List.push_back(std::move(frame));
    return Count() - 1;
}

void TLaserFrames::Insert(int index, std::unique_ptr<TLaserFrame> frame)
{
    Q_ASSERT(index >= 0 && index <= Count());
    List.insert(List.begin() + index, std::move(frame));
}

void TLaserFrames::Delete(int index)
{
    Extract(index);
}

std::unique_ptr<TLaserFrame> TLaserFrames::Extract(int index)
{
    Q_ASSERT(index >= 0 && index < Count());
    auto frame = std::move(List.at(index));
    List.erase(List.begin() + index);
    return frame;
}

int TLaserFrames::PreviousPointCount(int index) const
{
    return index > 0 && index <= Count() ? Frame(index - 1).PointCount() : 0;
}

void TLaserFrames::FitLinksAt(int index)
{
    if (index >= 0 && index < Count())
        Frame(index).FitLinks(PreviousPointCount(index));
}

void TLaserFrames::InsertFrame(std::unique_ptr<TLaserFrame> frame, int index)
{
    index = qBound(0, index, Count());
    frame->FitLinks(PreviousPointCount(index));
    if (index < Count())
        Frame(index).FitLinks(frame->PointCount());
    Insert(index, std::move(frame));
}

TLaserFrames::DeleteResult TLaserFrames::DeleteFrame(int index, std::unique_ptr<TLaserFrame>* holder)
{
    if (Count() < 2)
        return DeleteResult::OnlyFrame;
    // The successor now follows the removed frame's predecessor. Bits that still
    // fit stay, although they referred to the removed frame's points.
    if (index < Count() - 1)
        Frame(index + 1).FitLinks(PreviousPointCount(index));
    auto frame = Extract(index);
    if (holder)
        *holder = std::move(frame);
    return DeleteResult::Deleted;
}

int TLaserFrames::MoveFrame(int from, int to)
{
    if (from < Count() - 1)
        Frame(from + 1).FitLinks(PreviousPointCount(from));
    auto frame = Extract(from);
    if (to >= 0 && to <= Count()) {
        Insert(to, std::move(frame));
    } else {
        to = AddFrame(std::move(frame));
    }
    if (to < Count() - 1)
        FitLinksAt(to + 1);
    FitLinksAt(to);
    return to;
}
